#include "common/ascii.h"

namespace wiper {

std::string ascii_upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ascii_upper(c);
    return out;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() && equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

bool ends_with_ignoring_case(std::string_view text, std::string_view suffix) noexcept {
    return text.size() >= suffix.size() && equal_ignoring_case(text.substr(text.size() - suffix.size()), suffix);
}

bool contains_ignoring_case(std::string_view text, std::string_view part) noexcept {
    if (part.size() > text.size()) return false;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (equal_ignoring_case(text.substr(i, part.size()), part)) return true;
    return false;
}

} // namespace wiper
