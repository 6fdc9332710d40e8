#include "common/failure.h"

#include <cstdio>
#include <utility>

#include "common/utf8.h"

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
    case FailureKind::out_of_memory: return "out of memory";
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
    case FailureKind::out_of_memory: return 21;
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

bool is_disguising_character(std::uint32_t cp) noexcept {
    return (cp >= 0x80 && cp <= 0x9f) || cp == 0x2028 || cp == 0x2029 || (cp >= 0x202a && cp <= 0x202e) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

std::uint32_t first_disguising_character(const std::string& text) noexcept {
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Char ch = utf8_char_at(text, i);
        if (ch.length == 0) {
            ++i;
            continue;
        }
        if (is_disguising_character(ch.code_point)) return ch.code_point;
        i += ch.length;
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
        const Utf8Char ch = c >= 0x80 ? utf8_char_at(text, i) : Utf8Char{};
        if (ch.length > 0) {
            if (is_disguising_character(ch.code_point)) {
                char escaped[16];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(ch.code_point));
                out += escaped;
            } else {
                out.append(text, i, ch.length);
            }
            i += ch.length;
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
