#include "batch/field_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "batch/text_encoding.h"
#include "common/failure.h"
#include "platform/files.h"

namespace wiper {

// Whatever encoding a desktop editor saved the file in, the fields are read from UTF-8.
FieldReader::FieldReader(std::string text, std::string name, std::function<void()> between)
    : text_(decode_text(text, name, between)), name_(std::move(name)), between_(std::move(between)) {}

template <class Keep>
std::size_t FieldReader::scan_while(std::size_t at, Keep keep) const {
    for (;;) {
        const std::size_t block_end = std::min(text_.size(), at + scan_block);
        while (at < block_end && keep(text_[at])) ++at;
        if (at < block_end || at == text_.size()) return at;
        if (between_) between_();
    }
}

void FieldReader::skip_spaces() {
    pos_ = scan_while(pos_, [this](char c) { return is_space(c); });
}

void FieldReader::take_line_end() {
    // CR, LF and CRLF are each one line end.
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
}

void FieldReader::skip_blank() {
    for (;;) {
        scanned();
        skip_spaces();
        if (pos_ < text_.size() && is_line_end(text_[pos_]))
            take_line_end();
        else
            return;
    }
}

bool FieldReader::at_end() {
    skip_blank();
    return pos_ >= text_.size();
}

void FieldReader::consume_separator() {
    skip_spaces();
    if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        return;
    }
    // A line end (or a space before the next number) also ends the field; the
    // blank run is taken up when the next field is read.
    skip_blank();
}

void FieldReader::fail_past_end(const char* what) const {
    throw Failure(FailureKind::read_past_end,
                  name_ + " line " + std::to_string(line_) + ": " + what + " is missing, the file has ended");
}

std::int32_t FieldReader::read_number() { return read_number_or(nullptr); }

std::int32_t FieldReader::read_number(const std::string& rule) { return read_number_or(&rule); }

std::int32_t FieldReader::read_number_or(const std::string* rule) {
    if (at_end()) fail_past_end("a number");
    const std::size_t start = pos_;
    pos_ = scan_while(pos_, [this](char c) { return !is_space(c) && c != ',' && !is_line_end(c); });
    const std::string token = text_.substr(start, pos_ - start);

    bool ok = !token.empty();
    std::size_t i = 0;
    if (ok && token[0] == '-') i = 1;
    ok = ok && i < token.size();
    // Accumulate as a negative value so that -2147483648 fits.
    std::int64_t value = 0;
    for (; ok && i < token.size(); ++i) {
        const char c = token[i];
        if (c < '0' || c > '9') {
            ok = false;
            break;
        }
        value = value * 10 - (c - '0');
        if (value < std::numeric_limits<std::int32_t>::min()) ok = false;
    }
    if (ok && token[0] != '-') {
        value = -value;
        if (value > std::numeric_limits<std::int32_t>::max()) ok = false;
    }
    if (!ok)
        throw Failure(FailureKind::invalid_number,
                      name_ + " line " + std::to_string(line_) + ": " + quote_for_message(token) +
                          (rule ? ": " + *rule : std::string(" is not a whole number within the 32-bit range")));
    consume_separator();
    return static_cast<std::int32_t>(value);
}

std::string FieldReader::read_text() {
    if (at_end()) fail_past_end("a text field");
    std::string value;
    if (text_[pos_] == '"') {
        const std::size_t start_line = line_;
        const std::size_t close = text_.find('"', pos_ + 1);
        if (close == std::string::npos)
            throw Failure(FailureKind::read_past_end, name_ + " line " + std::to_string(start_line) +
                                                          ": the quoted text has no closing quote");
        for (std::size_t i = pos_ + 1; i < close; ++i) {
            if (i % scan_block == 0 && between_) between_();
            if (is_line_end(text_[i]) && !(text_[i] == '\n' && i > 0 && text_[i - 1] == '\r')) ++line_;
        }
        value = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        skip_spaces();
        if (pos_ < text_.size() && text_[pos_] != ',' && !is_line_end(text_[pos_]))
            throw Failure(FailureKind::invalid_image_name,
                          name_ + " line " + std::to_string(line_) + ": only spaces may follow a closing quote, not " +
                              quote_for_message(text_.substr(pos_, 1)));
    } else {
        const std::size_t start = pos_;
        pos_ = scan_while(pos_, [this](char c) { return c != ',' && !is_line_end(c); });
        std::size_t end = pos_;
        while (end > start && is_space(text_[end - 1])) --end;
        value = text_.substr(start, end - start);
    }
    consume_separator();
    return value;
}

std::string read_text_file(const std::string& path, const std::function<void()>& between) try {
    files::ReadFile file(path);
    // Settings and part files are a few kilobytes; a file of this size is not
    // one, and reading it whole could exhaust memory (a sparse file costs its
    // maker nothing).
    constexpr std::uint64_t largest = std::uint64_t{64} << 20;
    if (file.size() > largest)
        throw Failure(FailureKind::file_access, path + ": is " + std::to_string(file.size()) +
                                                    " bytes long, more than the 64 MiB a text file may have");
    std::string text(file.size(), '\0');
    const std::span<std::uint8_t> into(reinterpret_cast<std::uint8_t*>(text.data()), text.size());
    constexpr std::size_t piece = std::size_t{1} << 20;
    for (std::size_t at = 0; at < into.size(); at += piece) {
        if (between) between();
        const std::size_t length = std::min(piece, into.size() - at);
        // An editor saving the file while it is read: the file could not be
        // read, which says nothing about what it holds.
        if (file.read_at(at, into.subspan(at, length)) != length)
            throw Failure(FailureKind::file_access, path + ": the file became shorter while it was read");
    }
    file.close();
    if (between) between();
    return text;
} catch (const Failure& failure) {
    if (!failure.path().empty()) throw;
    throw Failure(failure.kind(), failure.what(), path);
}

} // namespace wiper
