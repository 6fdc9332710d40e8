#include "common/decimal_text.h"

#include <cmath>

namespace wiper {

std::string decimal_text(double value, int places, bool keep_zeros) {
    long long scale = 1;
    for (int i = 0; i < places; ++i) scale *= 10;
    const long long scaled = std::llround(value * static_cast<double>(scale));
    const unsigned long long magnitude =
        scaled < 0 ? 0ull - static_cast<unsigned long long>(scaled) : static_cast<unsigned long long>(scaled);
    const unsigned long long unit = static_cast<unsigned long long>(scale);
    std::string decimals = std::to_string(magnitude % unit);
    decimals.insert(0, static_cast<std::size_t>(places) - decimals.size(), '0');
    if (!keep_zeros)
        while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
    std::string out = scaled < 0 ? "-" : "";
    out += std::to_string(magnitude / unit);
    if (!decimals.empty()) out += "." + decimals;
    return out;
}

} // namespace wiper
