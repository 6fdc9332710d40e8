#include "common/checked_math.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "common/failure.h"

namespace wiper {

std::int32_t checked_mul32(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    if (__builtin_mul_overflow(a, b, &result))
        throw Failure(FailureKind::overflow,
                      std::to_string(a) + " x " + std::to_string(b) + " is beyond the 32-bit range");
    return result;
}

std::int32_t checked_sub32(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    if (__builtin_sub_overflow(a, b, &result))
        throw Failure(FailureKind::overflow,
                      std::to_string(a) + " - " + std::to_string(b) + " is beyond the 32-bit range");
    return result;
}

double checked_div(double numerator, double denominator) {
    if (denominator == 0.0)
        throw Failure(FailureKind::floating_point,
                      numerator == 0.0 ? "0 / 0 is an invalid operation" : "division by zero");
    const double result = numerator / denominator;
    if (!std::isfinite(result)) throw Failure(FailureKind::floating_point, "division overflowed");
    return result;
}

std::int32_t round_to_pixel(double value) {
    if (std::isnan(value)) throw Failure(FailureKind::floating_point, "is not a number");
    // The default rounding mode is to nearest, ties to even.
    const double rounded = std::nearbyint(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0) {
        char shown[32];
        std::snprintf(shown, sizeof shown, std::fabs(rounded) < 1e15 ? "%.0f" : "%g", rounded);
        throw Failure(FailureKind::overflow, std::string("rounds to ") + shown + ", beyond the 32-bit range");
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace wiper
