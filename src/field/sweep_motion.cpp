#include "field/sweep_motion.h"

#include <algorithm>
#include <cmath>

#include "geometry/polari.h"

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

// Radians a frame step turns by, for `degrees` over the part's whole sweep,
// with the program's pi as the poses take it.
double per_step(std::int32_t degrees, const Part& part) {
    return std::fabs(static_cast<double>(degrees)) * half_turn / 180.0 / static_cast<double>(part.frame_count - 1);
}

// The distance of the farthest of points first..last from the pivot, as the poses measure it.
double reach(const Part& part, double px, double py, std::int32_t first, std::int32_t last) {
    double r = 0;
    for (std::int32_t k = first; k <= last && k < point_slots; ++k) {
        double a = 0, d = 0;
        polari(px, py, part.part_points[k].x, part.part_points[k].y, a, d);
        r = std::max(r, d);
    }
    return r;
}

} // namespace

StepMotion step_motion(const Part& part, const BladeTurns& turns, ClipArea picture) {
    StepMotion m;
    if (part.frame_count < 2) return m;
    const double cx = part.centre_x, cy = part.centre_y;
    const double sweep = per_step(part.sweep_angle, part);
    const double corner = farthest_corner(cx, cy, picture);
    if (!part.carried) {
        const double r = reach(part, cx, cy, 0, part.last_point);
        m.anywhere = r * sweep;
        m.inside = std::min(r, corner) * sweep;
        return m;
    }
    // Point 0 rides its arc and the blade turns about it: the two add up. Point
    // 0 is never farther from the picture than the pivot plus its radius.
    const double p0x = part.part_points[0].x, p0y = part.part_points[0].y;
    double a0 = 0, r0 = 0;
    polari(cx, cy, p0x, p0y, a0, r0);
    const double blade = per_step(part.sweep_angle > 0 ? turns.blade_turn_1 : turns.blade_turn_2, part);
    const double r = reach(part, p0x, p0y, 1, part.last_point);
    m.anywhere = r0 * sweep + r * blade;
    m.inside = r0 * sweep + std::min(r, corner + r0) * blade;
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
