#pragma once
#include "common/part.h"
#include "geometry/poses.h"

namespace wiper {

// What bounds a point's motion in one frame step, beside the pose at t
// (poses.h). Each pose turns the outline about a centre at a steady rate in
// t: a swept part about its pivot; a carried part about its point 0, which
// itself rides an arc about the pivot at the sweep's rate. So from one frame
// to the next no outline point moves farther than
//     carrier_radius x carrier_rate + (its distance from the centre) x turn_rate
// pixels, before rounding.
struct StepBounds {
    double carrier_radius = 0; // how far from the pivot the centre rides: point 0's distance, 0 for a swept part
    double carrier_rate = 0;   // radians the centre turns about the pivot a step (the sweep's)
    double radius = 0;         // the farthest outline point from the centre, as the poses measure it
    double turn_rate = 0;      // radians the outline turns about the centre a step

    // The farthest any outline point moves in a step.
    double farthest() const { return carrier_radius * carrier_rate + radius * turn_rate; }
};

// All zero for a part of fewer than 2 frames, which never moves.
StepBounds step_bounds(const Part& part, const BladeTurns& turns);

} // namespace wiper
