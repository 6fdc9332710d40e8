#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "geometry/motion.h"
#include "support/test_part.h"

namespace wiper {
namespace {

// The bounds geometry gives against the motion the poses make from frame to
// frame: never passed (beyond rounding both ends to whole pixels), and met by
// a swept part, whose farthest point moves on an arc about the pivot. In the
// carried rows the turn that applies is the larger, so a bound taken from the
// other falls short.
TEST(StepBounds, HoldTheMotionBetweenTwoFrames) {
    const struct {
        const char* name;
        const char* file;
        std::int32_t sweep;
        BladeTurns turns;
    } rows[] = {{"swept", "coordinate.txt", 90, {}},           {"swept back", "coordinate.txt", -120, {}},
                {"first turn", "coordinate_nr.txt", 60, {300, 5}}, {"second turn", "coordinate_nr.txt", -60, {5, 300}},
                {"zero sweep", "coordinate_nr.txt", 0, {5, -300}}};
    const std::uint32_t seed = 20261209;
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> coordinate(-300, 300);
    const auto at = [&] { return screen_point{coordinate(random), coordinate(random)}; };
    for (const auto& row : rows)
        for (int scene = 0; scene < 20; ++scene) {
            const Part part = test::make_part(row.file, 60, row.sweep, at(), {at(), at(), at(), at(), at(), at()});
            const double bound = step_bounds(part, row.turns).farthest();
            point_slots_array before{}, after{};
            double blade = 0, farthest = 0;
            pose_part(part, row.turns, 1, blade, before);
            for (int n = 2; n <= part.frame_count; ++n) {
                const auto polygon = pose_part(part, row.turns, n, blade, after);
                for (std::size_t k = 0; k < polygon.size(); ++k)
                    farthest = std::max(farthest, std::hypot(after[k].x - before[k].x, after[k].y - before[k].y));
                before = after;
            }
            const std::string where = std::string(row.name) + ", seed " + std::to_string(seed) + ", scene " +
                                      std::to_string(scene);
            EXPECT_LE(farthest, bound + std::sqrt(2.0)) << where;
            if (part.kind == PartKind::swept) {
                EXPECT_GE(farthest, bound * 0.999 - std::sqrt(2.0)) << where;
            }
        }
}

} // namespace
} // namespace wiper
