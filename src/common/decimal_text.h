#pragma once
#include <string>

namespace wiper {

// `value` rounded to `places` decimals (1 to 9), the nearest, ties away from
// zero, written by hand rather than by printf, whose ties differ between C
// libraries: every build prints the same text. Without `keep_zeros`, trailing
// zeros of the decimals go, and the point with them.
std::string decimal_text(double value, int places, bool keep_zeros);

} // namespace wiper
