#pragma once
#include <cstdint>
#include <string>

#include "field/clearance.h"

namespace wiper {

// The field's numbers as the report and the pictures write them, so that
// both say the same.

// A share of `of` as a percent with one decimal, rounded down: a share shown
// as 98.0% is at least 98%, and 100.0% means every pixel.
std::string percent_text(std::uint64_t part, std::uint64_t of);

// A number with one decimal, rounded to the nearest: "12.4".
std::string one_decimal_text(double value);

// What a closest approach is, names made printable: "a and b: 12.4 px at
// frame 23.6", or "a and b: touch between frame 12 and frame 21" ("touch at
// frame 12" when it is one frame).
std::string approach_text(const Approach& approach);

} // namespace wiper
