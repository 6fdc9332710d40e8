#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "geometry/motion.h"
#include "geometry/poses.h"
#include "support/test_part.h"

namespace wiper {
namespace {

// The bounds geometry gives against the motion the poses make between two
// frames: never passed (beyond the rounding of both ends to whole pixels),
// and for a swept part, whose points all move on arcs about the pivot, met
// by its farthest point.
struct MotionRow {
    const char* name;
    bool carried;
    std::int32_t sweep;
    BladeTurns turns;
};

std::ostream& operator<<(std::ostream& os, const MotionRow& r) { return os << r.name; }

class StepBoundsRow : public testing::TestWithParam<MotionRow> {};

TEST_P(StepBoundsRow, HoldTheMotionBetweenTwoFrames) {
    const MotionRow& row = GetParam();
    const std::uint32_t seed = 20261209;
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> coordinate(-300, 300);
    const double rounding = std::sqrt(2.0); // each end rounded by up to half a pixel on each axis
    for (int scene = 0; scene < 20; ++scene) {
        std::vector<screen_point> points;
        for (int k = 0; k < 6; ++k) points.push_back({coordinate(random), coordinate(random)});
        const Part part = test::make_part(row.carried ? "coordinate_nr.txt" : "coordinate.txt", 60, row.sweep,
                                          {coordinate(random), coordinate(random)}, points);
        const StepBounds bounds = step_bounds(part, row.turns);
        point_slots_array before{}, after{};
        double blade = 0;
        pose_part(part, row.turns, 1, blade, before);
        double farthest = 0;
        for (int n = 2; n <= part.frame_count; ++n) {
            const auto polygon = pose_part(part, row.turns, n, blade, after);
            for (std::size_t k = 0; k < polygon.size(); ++k)
                farthest = std::max(farthest, std::hypot(after[k].x - before[k].x, after[k].y - before[k].y));
            before = after;
        }
        EXPECT_LE(farthest, bounds.farthest() + rounding) << row.name << ", seed " << seed << ", scene " << scene;
        if (!row.carried) {
            EXPECT_GE(farthest, bounds.farthest() * 0.999 - rounding) << row.name << ", seed " << seed << ", scene " << scene;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Parts, StepBoundsRow,
    testing::Values(MotionRow{"swept clockwise", false, 90, {}}, MotionRow{"swept back", false, -120, {}},
                    // The turn that applies is the larger: a bound taken from the other falls short.
                    MotionRow{"carried, first turn", true, 60, {300, 5}},
                    MotionRow{"carried, second turn", true, -60, {5, 300}},
                    MotionRow{"carried, zero sweep", true, 0, {5, -300}}),
    [](const testing::TestParamInfo<MotionRow>& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(StepBounds, APartOfFewerThanTwoFramesNeverMoves) {
    const Part part = test::make_part("coordinate_nr.txt", 1, 90, {0, 0}, {{10, 0}, {20, 0}, {20, 5}});
    EXPECT_EQ(step_bounds(part, BladeTurns{90, 90}).farthest(), 0.0);
}

} // namespace
} // namespace wiper
