#include "common/utf8.h"

namespace wiper {

Utf8Char utf8_char_at(std::string_view text, std::size_t at) noexcept {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char c = byte(0);
    if (c < 0x80) return {1, c};
    std::size_t n = 0;
    std::uint32_t cp = 0;
    // The range of the second byte is what rules out overlong forms,
    // surrogates and code points past U+10FFFF.
    unsigned char lo = 0x80, hi = 0xbf;
    if (c >= 0xc2 && c <= 0xdf) n = 2, cp = c & 0x1f;
    else if (c >= 0xe0 && c <= 0xef) n = 3, cp = c & 0x0f, lo = c == 0xe0 ? 0xa0 : 0x80, hi = c == 0xed ? 0x9f : 0xbf;
    else if (c >= 0xf0 && c <= 0xf4) n = 4, cp = c & 0x07, lo = c == 0xf0 ? 0x90 : 0x80, hi = c == 0xf4 ? 0x8f : 0xbf;
    else return {};
    // Checked as a difference, so that `at + n` cannot run past the end.
    if (text.size() - at < n || byte(1) < lo || byte(1) > hi) return {};
    for (std::size_t k = 1; k < n; ++k) {
        if (byte(k) < 0x80 || byte(k) > 0xbf) return {};
        cp = cp << 6 | (byte(k) & 0x3f);
    }
    return {n, cp};
}

bool is_utf8(std::string_view text) noexcept {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8_char_at(text, i).length;
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void append_utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace wiper
