#include "field/field_text.h"

#include "common/decimal_text.h"

#include <cmath>

#include "common/failure.h"

namespace wiper {

std::string percent_text(std::uint64_t part, std::uint64_t of) {
    if (of == 0) return "0.0%";
    // Tenths of a percent, exact: part <= of < 2^31 x 2^31, so 1000 x part fits.
    const unsigned __int128 tenths = static_cast<unsigned __int128>(part) * 1000 / of;
    const auto t = static_cast<std::uint64_t>(tenths);
    return std::to_string(t / 10) + "." + std::to_string(t % 10) + "%";
}

std::string one_decimal_text(double value) { return decimal_text(value, 1, true); }

std::string approach_text(const Approach& approach) {
    const std::string pair = printable(approach.first) + " and " + printable(approach.second) + ": ";
    if (!approach.touch) return pair + one_decimal_text(approach.distance) + " px at frame " + one_decimal_text(approach.t);
    const auto [first, last] = *approach.touch;
    if (first == last) return pair + "touch at frame " + std::to_string(first);
    return pair + "touch between frame " + std::to_string(first) + " and frame " + std::to_string(last);
}

} // namespace wiper
