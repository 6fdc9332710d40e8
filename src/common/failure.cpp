#include "common/failure.h"

#include <cstdio>
#include <utility>

namespace wiper {

Failure::Failure(FailureKind kind, const std::string& detail, std::string path)
    : std::runtime_error(detail), kind_(kind), path_(std::move(path)) {}

const char* kind_name(FailureKind kind) noexcept {
    switch (kind) {
    case FailureKind::file_not_found: return "file not found";
    case FailureKind::path_not_found: return "path not found";
    case FailureKind::file_access: return "file access failure";
    case FailureKind::read_past_end: return "read past end of file";
    case FailureKind::index_out_of_range: return "index out of range";
    case FailureKind::overflow: return "overflow";
    case FailureKind::floating_point: return "floating-point fault";
    case FailureKind::invalid_picture: return "invalid picture";
    case FailureKind::invalid_size: return "invalid size";
    case FailureKind::invalid_number: return "invalid number";
    case FailureKind::invalid_image_name: return "invalid image name";
    case FailureKind::stopped: return "stopped";
    }
    return "failure";
}

int exit_status(FailureKind kind) noexcept {
    switch (kind) {
    case FailureKind::file_not_found: return 10;
    case FailureKind::path_not_found: return 11;
    case FailureKind::file_access: return 12;
    case FailureKind::read_past_end: return 13;
    case FailureKind::index_out_of_range: return 14;
    case FailureKind::overflow: return 15;
    case FailureKind::floating_point: return 16;
    case FailureKind::invalid_picture: return 17;
    case FailureKind::invalid_size: return 18;
    case FailureKind::invalid_number: return 19;
    case FailureKind::invalid_image_name: return 20;
    case FailureKind::stopped: return 30;
    }
    return internal_error_status;
}

std::string quote_for_message(const std::string& text) {
    constexpr std::size_t shown = 40;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < shown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    if (text.size() > shown) out += " (" + std::to_string(text.size()) + " characters)";
    return out;
}

namespace {

// The length of the well-formed UTF-8 sequence at text[i], or 0 if there is none.
std::size_t utf8_length(const std::string& text, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = at(i);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xbf; // allowed range of the second byte
    if (c >= 0xc2 && c <= 0xdf) n = 2;
    else if (c >= 0xe0 && c <= 0xef) n = 3, lo = c == 0xe0 ? 0xa0 : 0x80, hi = c == 0xed ? 0x9f : 0xbf;
    else if (c >= 0xf0 && c <= 0xf4) n = 4, lo = c == 0xf0 ? 0x90 : 0x80, hi = c == 0xf4 ? 0x8f : 0xbf;
    else return 0;
    if (i + n > text.size() || at(i + 1) < lo || at(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xbf) return 0;
    return n;
}

// The code point of the well-formed sequence of `n` bytes at text[i].
std::uint32_t code_point_at(const std::string& text, std::size_t i, std::size_t n) {
    const auto at = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(text[k])); };
    std::uint32_t cp = at(i) & (n == 2 ? 0x1f : n == 3 ? 0x0f : 0x07);
    for (std::size_t k = 1; k < n; ++k) cp = cp << 6 | (at(i + k) & 0x3f);
    return cp;
}

} // namespace

bool is_disguising_character(std::uint32_t cp) noexcept {
    return (cp >= 0x80 && cp <= 0x9f) || cp == 0x2028 || cp == 0x2029 || (cp >= 0x202a && cp <= 0x202e) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

std::uint32_t first_disguising_character(const std::string& text) noexcept {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = static_cast<unsigned char>(text[i]) >= 0x80 ? utf8_length(text, i) : 0;
        if (n == 0) {
            ++i;
            continue;
        }
        const std::uint32_t cp = code_point_at(text, i, n);
        if (is_disguising_character(cp)) return cp;
        i += n;
    }
    return 0;
}

std::string printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        const std::size_t n = c >= 0x80 ? utf8_length(text, i) : 0;
        if (n > 0) {
            const std::uint32_t cp = code_point_at(text, i, n);
            if (is_disguising_character(cp)) {
                char escaped[16];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(cp));
                out += escaped;
            } else {
                out.append(text, i, n);
            }
            i += n;
            continue;
        }
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
        }
        ++i;
    }
    return out;
}

} // namespace wiper
