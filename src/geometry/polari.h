#pragma once

namespace wiper {

// The program's value for pi. Every angle of the wiper uses it, in degree to
// radian conversion and in the half-turn correction below; stored frames were
// drawn with it, so it must not be "improved" to the true pi.
inline constexpr double half_turn = 3.1415;

// Polar form of the point (x1t, y1) about the pivot (x0, y0): `angolo` gets the
// angle in radians (from about -pi/2 to 3pi/2, y pointing down, so a growing
// angle turns clockwise on screen) and `modulo` the distance. A point straight
// above, below or on the pivot is taken as lying 0.00001 to its left, which
// keeps the division away from zero. Writes only `angolo` and `modulo`.
void polari(const double& x0, const double& y0, const double& x1t, const double& y1, double& angolo, double& modulo);

} // namespace wiper
