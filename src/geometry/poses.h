#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "common/part.h"

namespace wiper {

// The blade turn settings, in degrees. The first drives a positive sweep, the
// second a zero or negative one.
struct BladeTurns {
    std::int32_t blade_turn_1 = 0;
    std::int32_t blade_turn_2 = 0;
};

// The blade turn that applies to a carried part: the first for a positive
// sweep, the second for a zero or negative one.
std::int32_t applying_blade_turn(const Part& part, const BladeTurns& turns);

// A part ready to be posed: each outline point in the polar form every pose
// of it starts from, about the centre for a swept part; for a carried part,
// point 0 about the centre and the others about point 0. The outline never
// changes while the part is posed, and the field poses a part thousands of
// times, so the conversion is made once; the values are exactly polari's, so
// every pose is the same to the bit. Refers to the part, which must outlive it.
class PreparedPart {
public:
    explicit PreparedPart(const Part& part);
    const Part& part() const { return *part_; }
    // Point k's angle and distance about its pivot, for k from 0 to the last
    // point that has a slot.
    struct Polar {
        double angle = 0;
        double radius = 0;
    };
    const Polar& polar(std::int32_t k) const { return polar_[static_cast<std::size_t>(k)]; }

private:
    const Part* part_;
    std::array<Polar, point_slots> polar_{};
};

// Both poses place a part at frame parameter t, from 1 to frame_count. A whole
// t is frame t, exactly as it is drawn and saved; between two whole values the
// part is on its way from one frame to the next, which is where the wiped
// field looks. Each pose reads only the part, so two parts can be posed at the
// same t, and names the part and the frame in its failures ("name, frame n:").
// At a whole t a coordinate beyond the 32-bit range is an overflow, as the
// frame would be; between frames, where no frame is drawn, it is clipped to
// the range instead.

// Every point turned rigidly about the centre by t - 1 shares of the sweep.
// Fills frame_points[0 .. last_point].
void swept_pose(const PreparedPart& prepared, double t, point_slots_array& frame_points);

// Point 0 rides its arc about the centre by t - 1 sweep shares, and points
// 1 .. last_point are placed about it turned by the blade angle. Fills
// frame_points[0 .. last_point - 1]: point 0 only carries the part.
// `blade_angle` is the running total of the blade's steps. At a whole t it
// takes one more step, in place and before use, so frame 1 already shows one
// step and frame n shows n. At t = n + f between frames, it must hold frame
// n's total, and the pose adds f of one more step for itself alone.
void carried_pose(const PreparedPart& prepared, const BladeTurns& turns, double t, double& blade_angle,
                  point_slots_array& frame_points);

// The pose the part's kind asks for, and the polygon it makes: last_point + 1
// points of a swept part, last_point of a carried one (its point 0 only
// carries it). Empty when that leaves fewer than 2 points, which draw nothing.
std::span<const screen_point> pose_part(const PreparedPart& prepared, const BladeTurns& turns, double t,
                                        double& blade_angle, point_slots_array& frame_points);
// The same for a part posed once: it is prepared for this pose alone.
std::span<const screen_point> pose_part(const Part& part, const BladeTurns& turns, double t, double& blade_angle,
                                        point_slots_array& frame_points);

} // namespace wiper
