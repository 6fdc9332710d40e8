#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wiper {

// One character of UTF-8 text.
struct Utf8Char {
    std::size_t length = 0;     // bytes it takes; 0 when no well-formed character starts there
    std::uint32_t code_point = 0;
};

// The well-formed UTF-8 character at text[at] (at < text.size()): the shortest
// form of a code point up to U+10FFFF that is not a surrogate. Anything else
// (a stray continuation byte, an overlong form, a sequence cut short) has
// length 0. The one rule of well-formedness, for reading files and for quoting
// names alike.
Utf8Char utf8_char_at(std::string_view text, std::size_t at) noexcept;

// Whether all of `text` is well-formed UTF-8.
bool is_utf8(std::string_view text) noexcept;

// Whether `byte` continues a character rather than starting one: in text
// that is well-formed, the characters are the bytes that are not.
constexpr bool is_utf8_continuation(char byte) noexcept { return (static_cast<unsigned char>(byte) & 0xc0) == 0x80; }

// Appends code point `c` (at most U+10FFFF) to `out`, encoded in UTF-8.
void append_utf8(std::string& out, std::uint32_t c);

} // namespace wiper
