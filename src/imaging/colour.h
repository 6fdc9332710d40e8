#pragma once
#include <cstdint>

namespace wiper {

struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour white{255, 255, 255};
inline constexpr Colour black{0, 0, 0};

} // namespace wiper
