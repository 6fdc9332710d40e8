#include "geometry/motion.h"

#include <algorithm>
#include <cmath>

#include "geometry/polari.h"

namespace wiper {

namespace {

// Radians a frame step turns by, for `degrees` over the part's whole sweep,
// with the program's pi as the poses take it.
double per_step(std::int32_t degrees, const Part& part) {
    return std::fabs(static_cast<double>(degrees)) * half_turn / 180.0 / static_cast<double>(part.frame_count - 1);
}

// The distance of the farthest of points first..last from (px, py), as the poses measure it.
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

StepBounds step_bounds(const Part& part, const BladeTurns& turns) {
    StepBounds b;
    if (part.frame_count < 2) return b;
    const double cx = part.centre_x, cy = part.centre_y;
    b.carrier_rate = per_step(part.sweep_angle, part);
    if (part.kind == PartKind::swept) {
        b.radius = reach(part, cx, cy, 0, part.last_point);
        b.turn_rate = b.carrier_rate;
        return b;
    }
    const double p0x = part.part_points[0].x, p0y = part.part_points[0].y;
    double a0 = 0;
    polari(cx, cy, p0x, p0y, a0, b.carrier_radius);
    b.radius = reach(part, p0x, p0y, 1, part.last_point);
    b.turn_rate = per_step(applying_blade_turn(part, turns), part);
    return b;
}

} // namespace wiper
