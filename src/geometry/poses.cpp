#include "geometry/poses.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/checked_math.h"
#include "common/failure.h"
#include "geometry/polari.h"

namespace wiper {

namespace {

// Degrees to radians with the program's pi, evaluated left to right as stored
// frames were: d * 3.1415 / 180.
double radians(double degrees) { return degrees * half_turn / 180.0; }

// Where on the sweep a pose is: t, and whether it is a frame (a whole t).
struct Moment {
    double t;
    bool whole;
    std::int32_t frame; // floor(t)
};

Moment moment(double t) {
    const double n = std::floor(t);
    return Moment{t, n == t, static_cast<std::int32_t>(n)};
}

// The number of steps the sweep is divided into, frame_count - 1, as the
// divisor of every share. A single-frame part has none: its share is 0 / 0.
double sweep_steps(const Part& part) {
    const std::int32_t steps = checked_sub32(part.frame_count, 1);
    if (steps == 0)
        throw Failure(FailureKind::floating_point, "a part needs at least 2 frames; frame_count " +
                                                       std::to_string(part.frame_count) +
                                                       " divides the sweep into 0 steps");
    return static_cast<double>(steps);
}

// The sweep turn at t added to the angle a: (t - 1) * sweep in radians,
// divided into frame_count - 1 shares. At a frame the product is the checked
// 32-bit one, so a frame beyond the range fails; between frames it is a
// double, which equals the integer product wherever that one exists.
double sweep_share(const Part& part, const Moment& at, double a) {
    double s = 0;
    if (at.whole) {
        try {
            s = checked_mul32(at.frame - 1, part.sweep_angle);
        } catch (const Failure& failure) {
            throw Failure(failure.kind(), std::string("(n - 1) x sweep_angle = ") + failure.what());
        }
    } else {
        s = (at.t - 1.0) * static_cast<double>(part.sweep_angle);
    }
    return checked_div(radians(s), sweep_steps(part)) + a;
}

// A placed coordinate as a pixel; a failure names the outline point it came
// from, counted from 0 as the part file lists them, and the axis. Between
// frames a coordinate beyond the range is clipped to it: no frame holds it.
std::int32_t pixel(double value, const Moment& at, std::int32_t point, const screen_point& from, const char* axis) {
    if (!at.whole) {
        const double rounded = std::nearbyint(value);
        if (rounded <= -2147483648.0) return -2147483647 - 1;
        if (rounded >= 2147483647.0) return 2147483647;
        return static_cast<std::int32_t>(rounded);
    }
    try {
        return round_to_pixel(value);
    } catch (const Failure& failure) {
        throw Failure(failure.kind(), "point " + std::to_string(point) + " (" + std::to_string(from.x) + ", " +
                                          std::to_string(from.y) + "): " + axis + " " + failure.what());
    }
}

// Only slots 0..100 exist; an index outside them stops the run rather than
// touching memory that is not a point.
template <class Points>
auto& slot(Points& points, std::int32_t k) {
    if (k < 0 || k >= point_slots)
        throw Failure(FailureKind::index_out_of_range, "point index " + std::to_string(k) + " is outside 0 to 100");
    return points[static_cast<std::size_t>(k)];
}

// Runs a pose, naming the part and the frame in whatever stops it: the pose
// knows the cause, the user needs the part and frame that reached it.
template <class Pose>
void in_context(const Part& part, const Moment& at, Pose&& pose) {
    try {
        pose();
    } catch (const Failure& failure) {
        const std::string where =
            at.whole ? "frame " + std::to_string(at.frame) : "between frame " + std::to_string(at.frame) + " and the next";
        throw Failure(failure.kind(), part.name + ", " + where + ": " + failure.what());
    }
}

} // namespace

PreparedPart::PreparedPart(const Part& part) : part_(&part) {
    const double cx = part.centre_x;
    const double cy = part.centre_y;
    const screen_point p0 = part.part_points[0];
    const double p0x = p0.x;
    const double p0y = p0.y;
    // A pose reads the slots up to the last point and stops at the first
    // beyond slot 100; only those that exist are converted.
    const std::int32_t last = std::min(part.last_point, point_slots - 1);
    for (std::int32_t k = 0; k <= std::max(last, 0); ++k) {
        const screen_point p = part.part_points[static_cast<std::size_t>(k)];
        const double px = p.x;
        const double py = p.y;
        Polar& out = polar_[static_cast<std::size_t>(k)];
        if (part.kind == PartKind::carried && k > 0)
            polari(p0x, p0y, px, py, out.angle, out.radius);
        else
            polari(cx, cy, px, py, out.angle, out.radius);
    }
}

std::int32_t applying_blade_turn(const Part& part, const BladeTurns& turns) {
    return part.sweep_angle > 0 ? turns.blade_turn_1 : turns.blade_turn_2;
}

void swept_pose(const PreparedPart& prepared, double t, point_slots_array& frame_points) {
    const Part& part = prepared.part();
    const Moment at = moment(t);
    in_context(part, at, [&] {
        const double cx = part.centre_x;
        const double cy = part.centre_y;
        for (std::int32_t k = 0; k <= part.last_point; ++k) {
            const screen_point p = slot(part.part_points, k);
            const double a = prepared.polar(k).angle;
            const double r = prepared.polar(k).radius;
            const double theta = sweep_share(part, at, a);
            screen_point& out = slot(frame_points, k);
            out.x = pixel(std::cos(theta) * r + cx, at, k, p, "x");
            out.y = pixel(std::sin(theta) * r + cy, at, k, p, "y");
        }
    });
}

void carried_pose(const PreparedPart& prepared, const BladeTurns& turns, double t, double& blade_angle,
                  point_slots_array& frame_points) {
    const Part& part = prepared.part();
    const Moment at = moment(t);
    in_context(part, at, [&] {
        const double cx = part.centre_x;
        const double cy = part.centre_y;
        const screen_point p0 = part.part_points[0];
        const double p0x = p0.x;
        const double p0y = p0.y;

        const double a0 = prepared.polar(0).angle;
        const double r0 = prepared.polar(0).radius;
        const double theta0 = sweep_share(part, at, a0);
        // How far point 0 has moved along its arc; the blade keeps its shape about it.
        const double dx = (std::cos(theta0) * r0 + cx) - p0x;
        const double dy = (std::sin(theta0) * r0 + cy) - p0y;

        // One step, or between frames the share of one the pose has reached.
        const double shares = sweep_steps(part);
        const double fraction = at.whole ? 1.0 : at.t - at.frame;
        // The first turn is taken against the sweep, the second with it.
        const double turn = radians(applying_blade_turn(part, turns));
        double angle = 0;
        if (part.sweep_angle > 0)
            angle = blade_angle - fraction * checked_div(turn, shares);
        else
            angle = fraction * checked_div(turn, shares) + blade_angle;
        if (at.whole) blade_angle = angle;

        for (std::int32_t k = 0; k <= part.last_point - 1; ++k) {
            const screen_point p = slot(part.part_points, k + 1);
            // Each coordinate reads the point's polar form afresh, as it always
            // has: the cosine and the sine are then separate calls, as the
            // frames were drawn with, and not one sincos, which a C library
            // need not make the same to the bit.
            const PreparedPart::Polar& polar = prepared.polar(k + 1);
            screen_point& out = slot(frame_points, k);
            out.x = pixel((p0x + dx) + std::cos(polar.angle + angle) * polar.radius, at, k + 1, p, "x");
            out.y = pixel((p0y + dy) + std::sin(polar.angle + angle) * polar.radius, at, k + 1, p, "y");
        }
    });
}

std::span<const screen_point> pose_part(const PreparedPart& prepared, const BladeTurns& turns, double t,
                                        double& blade_angle, point_slots_array& frame_points) {
    const Part& part = prepared.part();
    if (part.kind == PartKind::carried)
        carried_pose(prepared, turns, t, blade_angle, frame_points);
    else
        swept_pose(prepared, t, frame_points);
    const std::int32_t count = part.kind == PartKind::carried ? part.last_point : part.last_point + 1;
    if (count < 2) return {};
    return std::span<const screen_point>(frame_points.data(), static_cast<std::size_t>(count));
}

std::span<const screen_point> pose_part(const Part& part, const BladeTurns& turns, double t, double& blade_angle,
                                        point_slots_array& frame_points) {
    return pose_part(PreparedPart(part), turns, t, blade_angle, frame_points);
}

} // namespace wiper
