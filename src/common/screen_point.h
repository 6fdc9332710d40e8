#pragma once
#include <cstdint>

namespace wiper {

// One outline point in device pixels: origin top-left, x right, y down.
// Arrays of it are packed x, y, x, y... which is the shape polygon drawing takes.
struct screen_point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const screen_point&, const screen_point&) = default;
};
static_assert(sizeof(screen_point) == 8, "screen_point arrays must be packed x, y pairs");

} // namespace wiper
