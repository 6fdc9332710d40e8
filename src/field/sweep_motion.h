#pragma once
#include <cstdint>

#include "common/part.h"
#include "geometry/poses.h"
#include "imaging/rasterizer.h"

namespace wiper {

// How far a part moves between two frames, which decides how often the field
// must look at it: the bounds geometry gives (step_bounds), with what the
// picture adds to them.
struct StepMotion {
    // The farthest any point of the part moves: with the part's place at a
    // frame, a box that it cannot leave until the next frame.
    double anywhere = 0;
    // The farthest any point moves that can lie inside the picture: a point
    // turning about a pivot is never farther from it than the picture's far
    // corner while it is inside. This is what sampling must bound.
    double inside = 0;
    // A ring about the pivot that holds every pixel the part draws at any t,
    // rounding included: the part turns rigidly inside a disc that rides a
    // circle about the pivot. A part whose ring misses the picture never
    // reaches it, however fast it turns.
    double ring_near = 0, ring_far = 1e300;

    // Whether the part can draw a pixel of the picture between its frame
    // whose points fill `at_frame` and the next one.
    bool can_reach(const PointBox& at_frame, ClipArea picture, double pivot_x, double pivot_y) const;
};

StepMotion step_motion(const Part& part, const BladeTurns& turns, ClipArea picture);

// Poses per frame step that keep every point inside the picture within half a
// pixel of where it was at the pose before, at least 1. Past `cap`, it is the
// cap, and `capped` says so.
struct StepSamples {
    std::uint32_t count = 1;
    bool capped = false;
    double gap = 0; // the farthest a point inside the picture moves between two poses
};
StepSamples step_samples(const StepMotion& motion, std::uint32_t cap);

} // namespace wiper
