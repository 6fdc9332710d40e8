#pragma once
#include <cstdint>

namespace wiper {

// Each helper either returns the exact result or throws a Failure:
// overflow for a result outside signed 32 bits, floating-point fault for a
// division by zero (0/0 included) or a non-finite result.

std::int32_t checked_mul32(std::int32_t a, std::int32_t b);
std::int32_t checked_sub32(std::int32_t a, std::int32_t b);
double checked_div(double numerator, double denominator);
// Round to the nearest integer, halves to even, into signed 32 bits. A failure's
// message reads on from the name of the value: "x rounds to 6000000000, beyond
// the 32-bit range".
std::int32_t round_to_pixel(double value);

} // namespace wiper
