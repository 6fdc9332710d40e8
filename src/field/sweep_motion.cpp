#include "field/sweep_motion.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "geometry/motion.h"
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

// Past this distance from the origin a pose between frames may clip a
// coordinate to 32 bits, which no ring would follow: such a part gets no ring.
constexpr double ring_limit = 1 << 30;

// The disc a part turns rigidly inside: its centre's distance from the pivot
// and its radius. A carried part turns about its point 0, which rides a circle
// about the pivot. A swept part turns as a whole about the pivot, as the poses
// place its points at angle zero (polari's own angles, which the program's pi
// bends a little left of the pivot), so the disc about their mean does.
void turning_disc(const Part& part, const StepBounds& b, double& centre, double& radius) {
    if (part.kind == PartKind::carried) {
        centre = b.carrier_radius;
        radius = b.radius;
        return;
    }
    const double cx = part.centre_x, cy = part.centre_y;
    std::vector<std::pair<double, double>> placed;
    double mx = 0, my = 0;
    for (std::int32_t k = 0; k <= part.last_point && k < point_slots; ++k) {
        double a = 0, d = 0;
        polari(cx, cy, part.part_points[k].x, part.part_points[k].y, a, d);
        placed.emplace_back(std::cos(a) * d, std::sin(a) * d);
        mx += placed.back().first;
        my += placed.back().second;
    }
    if (placed.empty()) return;
    mx /= static_cast<double>(placed.size());
    my /= static_cast<double>(placed.size());
    centre = std::hypot(mx, my);
    for (const auto& [x, y] : placed) radius = std::max(radius, std::hypot(x - mx, y - my));
}

} // namespace

bool StepMotion::can_reach(const PointBox& at_frame, ClipArea picture, double pivot_x, double pivot_y) const {
    // Where the part can be until the next frame: its box, grown by how far it
    // moves, and on the picture (with a pixel to spare).
    const double grow = std::min(anywhere + 1.0, 1e12);
    if (!at_frame.meets(picture, grow)) return false;
    const double x0 = std::max(static_cast<double>(at_frame.x0) - grow, -1.0);
    const double x1 = std::min(static_cast<double>(at_frame.x1) + grow, static_cast<double>(picture.width));
    const double y0 = std::max(static_cast<double>(at_frame.y0) - grow, -1.0);
    const double y1 = std::min(static_cast<double>(at_frame.y1) + grow, static_cast<double>(picture.height));
    // And within the ring: the nearest point of that rectangle no farther than
    // its far edge, the farthest corner no nearer than its near edge.
    const double nx = std::clamp(pivot_x, x0, x1) - pivot_x, ny = std::clamp(pivot_y, y0, y1) - pivot_y;
    const double fx = std::max(std::fabs(x0 - pivot_x), std::fabs(x1 - pivot_x));
    const double fy = std::max(std::fabs(y0 - pivot_y), std::fabs(y1 - pivot_y));
    return std::hypot(nx, ny) <= ring_far && std::hypot(fx, fy) >= ring_near;
}

StepMotion step_motion(const Part& part, const BladeTurns& turns, ClipArea picture) {
    const StepBounds b = step_bounds(part, turns);
    // A point inside the picture is no farther from the centre than the far
    // corner is from the pivot plus the centre's own distance from the pivot.
    const double corner = farthest_corner(part.centre_x, part.centre_y, picture);
    StepMotion m;
    m.anywhere = b.farthest();
    m.inside = b.carrier_radius * b.carrier_rate + std::min(b.radius, corner + b.carrier_radius) * b.turn_rate;
    double centre = 0, radius = 0;
    turning_disc(part, b, centre, radius);
    const double pivot = std::max(std::fabs(static_cast<double>(part.centre_x)), std::fabs(static_cast<double>(part.centre_y)));
    if (centre + radius + pivot < ring_limit) {
        // Each drawn pixel lies within 1.5 px of the outline as placed (a
        // vertex rounds by up to 0.71, an outline pixel lies up to 0.5 off the
        // segment); 2 px and a hair for the poses' own arithmetic.
        const double margin = 2.0 + 1e-9 * (centre + radius);
        m.ring_near = std::max(0.0, centre - radius - margin);
        m.ring_far = centre + radius + margin;
    }
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
