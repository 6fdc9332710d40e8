#include "field/sweep_motion.h"

#include <algorithm>
#include <cmath>

#include "geometry/motion.h"

namespace wiper {

namespace {

// Distance from `pivot` to the farthest corner of the picture with a pixel of
// margin, beyond which no point turning about it is ever inside.
double farthest_corner(double px, double py, ClipArea picture) {
    double d = 0;
    for (const double x : {-1.0, static_cast<double>(picture.width)})
        for (const double y : {-1.0, static_cast<double>(picture.height)}) d = std::max(d, std::hypot(x - px, y - py));
    return d;
}

} // namespace

StepMotion step_motion(const Part& part, const BladeTurns& turns, ClipArea picture) {
    const StepBounds b = step_bounds(part, turns);
    // A point inside the picture is no farther from the centre than the far
    // corner is from the pivot plus the centre's own distance from the pivot.
    const double corner = farthest_corner(part.centre_x, part.centre_y, picture);
    StepMotion m;
    m.anywhere = b.farthest();
    m.inside = b.carrier_radius * b.carrier_rate + std::min(b.radius, corner + b.carrier_radius) * b.turn_rate;
    return m;
}

StepSamples step_samples(const StepMotion& motion, std::uint32_t cap) {
    StepSamples s;
    // Half a pixel between two poses.
    const double needed = std::ceil(2.0 * motion.inside);
    if (needed > cap) {
        s.count = cap;
        s.capped = true;
    } else {
        s.count = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(needed));
    }
    s.gap = motion.inside / s.count;
    return s;
}

} // namespace wiper
