#include "geometry/poses.h"

#include <cmath>

#include "common/checked_math.h"
#include "common/failure.h"
#include "geometry/polari.h"

namespace wiper {

namespace {

// Degrees to radians with the program's pi, evaluated left to right as stored
// frames were: d * 3.1415 / 180.
double radians(double degrees) { return degrees * half_turn / 180.0; }

// The number of steps the sweep is divided into, frame_count - 1, as the
// divisor of every share. A single-frame part has none: its share is 0 / 0.
double sweep_steps(const Module1& m) {
    const std::int32_t steps = checked_sub32(m.frame_count, 1);
    if (steps == 0)
        throw Failure(FailureKind::floating_point, "a part needs at least 2 frames; frame_count " +
                                                       std::to_string(m.frame_count) +
                                                       " divides the sweep into 0 steps");
    return static_cast<double>(steps);
}

// The sweep turn of frame n added to the angle a: (n - 1) * sweep as a checked
// 32-bit product, in radians, divided into frame_count - 1 shares.
double sweep_share(const Module1& m, std::int32_t n, double a) {
    std::int32_t s = 0;
    try {
        s = checked_mul32(n - 1, m.sweep_angle);
    } catch (const Failure& failure) {
        throw Failure(failure.kind(), std::string("(n - 1) x sweep_angle = ") + failure.what());
    }
    return checked_div(radians(s), sweep_steps(m)) + a;
}

// A placed coordinate as a pixel; a failure names the outline point it came
// from, counted from 0 as the part file lists them, and the axis.
std::int32_t pixel(double value, std::int32_t point, const screen_point& from, const char* axis) {
    try {
        return round_to_pixel(value);
    } catch (const Failure& failure) {
        throw Failure(failure.kind(), "point " + std::to_string(point) + " (" + std::to_string(from.x) + ", " +
                                          std::to_string(from.y) + "): " + axis + " " + failure.what());
    }
}

// Only slots 0..100 exist; an index outside them stops the run rather than
// touching memory that is not a point.
screen_point& slot(point_slots_array& points, std::int32_t k) {
    if (k < 0 || k >= point_slots)
        throw Failure(FailureKind::index_out_of_range, "point index " + std::to_string(k) + " is outside 0 to 100");
    return points[static_cast<std::size_t>(k)];
}

} // namespace

void swept_pose(Module1& m, std::int32_t n) {
    const double cx = m.centre_x;
    const double cy = m.centre_y;
    for (std::int32_t k = 0; k <= m.last_point; ++k) {
        const screen_point p = slot(m.part_points, k);
        const double px = p.x;
        const double py = p.y;
        double a = 0;
        double r = 0;
        polari(cx, cy, px, py, a, r);
        const double theta = sweep_share(m, n, a);
        screen_point& out = slot(m.frame_points, k);
        out.x = pixel(std::cos(theta) * r + cx, k, p, "x");
        out.y = pixel(std::sin(theta) * r + cy, k, p, "y");
    }
}

void carried_pose(Module1& m, std::int32_t n, const BladeTurns& turns, double& blade_angle) {
    const double cx = m.centre_x;
    const double cy = m.centre_y;
    const screen_point p0 = m.part_points[0];
    const double p0x = p0.x;
    const double p0y = p0.y;

    double a0 = 0;
    double r0 = 0;
    polari(cx, cy, p0x, p0y, a0, r0);
    const double theta0 = sweep_share(m, n, a0);
    // How far point 0 has moved along its arc; the blade keeps its shape about it.
    const double dx = (std::cos(theta0) * r0 + cx) - p0x;
    const double dy = (std::sin(theta0) * r0 + cy) - p0y;

    const double shares = sweep_steps(m);
    if (m.sweep_angle > 0)
        blade_angle = blade_angle - checked_div(radians(turns.blade_turn_1), shares);
    else
        blade_angle = checked_div(radians(turns.blade_turn_2), shares) + blade_angle;

    for (std::int32_t k = 0; k <= m.last_point - 1; ++k) {
        const screen_point p = slot(m.part_points, k + 1);
        const double px = p.x;
        const double py = p.y;
        double a = 0;
        double r = 0;
        polari(p0x, p0y, px, py, a, r);
        screen_point& out = slot(m.frame_points, k);
        out.x = pixel((p0x + dx) + std::cos(a + blade_angle) * r, k + 1, p, "x");
        out.y = pixel((p0y + dy) + std::sin(a + blade_angle) * r, k + 1, p, "y");
    }
}

} // namespace wiper
