#pragma once
#include <cstdint>

#include "common/module1.h"

namespace wiper {

// The blade turn settings, in degrees. The first drives a positive sweep, the
// second a zero or negative one.
struct BladeTurns {
    std::int32_t blade_turn_1 = 0;
    std::int32_t blade_turn_2 = 0;
};

// Frame n (from 1) of a swept part: every point turned rigidly about the centre
// by n - 1 shares of the sweep. Fills frame_points[0 .. last_point].
void swept_pose(Module1& m, std::int32_t n);

// Frame n of a carried part: point 0 rides its arc about the centre by n - 1
// sweep shares, the blade angle advances one step (before use, so frame 1
// already shows one step), and points 1 .. last_point are placed about point 0
// turned by the blade angle. Fills frame_points[0 .. last_point - 1]: point 0
// itself is the carrying point and is not part of the outline.
void carried_pose(Module1& m, std::int32_t n, const BladeTurns& turns, double& blade_angle);

} // namespace wiper
