#pragma once
#include <string>
#include <string_view>

namespace wiper {

// Case folding of ASCII letters alone, the one rule every name comparison of
// the program follows: file names reach it as UTF-8 from any system, and
// folding beyond ASCII would depend on the locale and the system's tables.
// Every other byte stays as it is.
constexpr char ascii_lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ascii_upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string ascii_upper(std::string_view text);

bool equal_ignoring_case(std::string_view a, std::string_view b) noexcept;
bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) noexcept;
bool ends_with_ignoring_case(std::string_view text, std::string_view suffix) noexcept;
bool contains_ignoring_case(std::string_view text, std::string_view part) noexcept;

} // namespace wiper
