#include "common/failure.h"

#include <cstdio>

namespace wiper {

Failure::Failure(FailureKind kind, const std::string& detail) : std::runtime_error(detail), kind_(kind) {}

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

} // namespace wiper
