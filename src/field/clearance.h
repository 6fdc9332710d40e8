#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/hooks.h"
#include "common/part.h"
#include "geometry/poses.h"

namespace wiper {

// How close two wipers come over their continuous sweep, arms included.
struct Approach {
    std::string first, second; // the two parts that come closest, first from the lower-numbered wiper
    int first_wiper = 0, second_wiper = 0;
    double distance = 0; // px between the posed polygons; 0 when they touch
    double t = 0;        // the frame parameter where they come closest, the earliest on a tie
    // When they touch (share a drawn pixel at the same t): the whole frames
    // from the one at or before the first touch to the one at or after the last.
    std::optional<std::pair<std::int64_t, std::int64_t>> touch;
    // The two nearest points at t, one on each part, for the picture.
    double first_x = 0, first_y = 0, second_x = 0, second_y = 0;
};

// One approach for each pair of wipers (see wiper_numbers) that coexist at
// some t, in order of their numbers. The continuous sweep is looked at so
// that no point of either part moves more than half a pixel between two
// looks, wherever it is, and more finely around the closest; with the
// rounding of each part's vertices to whole pixels, the distance is within
// about 2 px of the exact one. A stop request is looked for all along.
std::vector<Approach> find_clearance(const BladeTurns& turns, const std::vector<Part>& parts, const Hooks& hooks);

// In a scene with a swept part, warns about each carried part that shares its
// motion with none: it rides no arm's tip, and forms a wiper of its own.
void warn_blades_without_arm(const std::vector<Part>& parts, const Hooks& hooks);

} // namespace wiper
