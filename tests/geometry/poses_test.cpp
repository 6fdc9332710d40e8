#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "common/failure.h"
#include "support/failure_of.h"
#include "support/test_part.h"
#include "geometry/polari.h"
#include "geometry/poses.h"

namespace wiper {
namespace {

struct Polar {
    double angle;
    double distance;
};

Polar polar(double x0, double y0, double x1, double y1) {
    Polar p{-99, -99};
    polari(x0, y0, x1, y1, p.angle, p.distance);
    return p;
}

TEST(Polari, PointRightOfPivotHasAngleZero) {
    const Polar p = polar(0, 0, 10, 0);
    EXPECT_DOUBLE_EQ(p.angle, 0.0);
    EXPECT_DOUBLE_EQ(p.distance, 10.0);
}

TEST(Polari, PointLeftOfPivotTurnsByTheProgramsPiNotTheTrueOne) {
    const Polar p = polar(0, 0, -10, 0);
    EXPECT_DOUBLE_EQ(p.angle, 3.1415);
    EXPECT_DOUBLE_EQ(p.distance, 10.0);
}

TEST(Polari, PointOnPivotIsNudgedLeft) {
    const Polar p = polar(0, 0, 0, 0);
    EXPECT_DOUBLE_EQ(p.angle, 3.1415);
    EXPECT_NEAR(p.distance, 0.00001, 1e-18);
}

TEST(Polari, PointStraightBelowIsNudgedLeft) {
    const Polar p = polar(0, 0, 0, 10);
    EXPECT_NEAR(p.angle, std::atan(-10 / 0.00001) + 3.1415, 1e-15);
    EXPECT_NEAR(p.angle, 1.57070, 1e-5);
    EXPECT_DOUBLE_EQ(p.distance, std::sqrt(100 + 0.00001 * 0.00001));
}

TEST(Polari, LeavesItsInputsAlone) {
    double x0 = 3, y0 = 4, x1 = 3, y1 = 9, a = 0, r = 0;
    polari(x0, y0, x1, y1, a, r);
    EXPECT_EQ(x0, 3);
    EXPECT_EQ(y0, 4);
    EXPECT_EQ(x1, 3); // the nudge works on a copy
    EXPECT_EQ(y1, 9);
}

Part part(std::int32_t frames, std::int32_t sweep, screen_point centre, const std::vector<screen_point>& pts,
          bool carried = false) {
    return test::make_part(carried ? "coordinate_nr.txt" : "coordinate.txt", frames, sweep, centre, pts);
}

using Points = std::vector<screen_point>;

Points drawn(const point_slots_array& out, std::int32_t count) { return {out.begin(), out.begin() + count}; }

TEST(SweptPose, WorkedExampleTurnsAQuarterOverThreeFrames) {
    const Part p = part(3, 90, {300, 300}, {{300, 100}, {310, 100}, {310, 300}, {300, 300}});
    point_slots_array out{};
    swept_pose(PreparedPart(p), 1, out);
    EXPECT_EQ(drawn(out, 4), (Points{{300, 100}, {310, 100}, {310, 300}, {300, 300}}));
    swept_pose(PreparedPart(p), 2, out);
    EXPECT_EQ(drawn(out, 4), (Points{{441, 159}, {448, 166}, {307, 307}, {300, 300}}));
    swept_pose(PreparedPart(p), 3, out);
    EXPECT_EQ(drawn(out, 4), (Points{{500, 300}, {500, 310}, {300, 310}, {300, 300}}));
}

TEST(SweptPose, NinetyOverTenFramesTurnsTenDegreesClockwisePerFrame) {
    point_slots_array out{};
    swept_pose(PreparedPart(part(10, 90, {0, 0}, {{1000, 0}})), 2, out);
    const double step = 10 * 3.1415 / 180;
    EXPECT_EQ(out[0], (screen_point{static_cast<std::int32_t>(std::nearbyint(1000 * std::cos(step))),
                                    static_cast<std::int32_t>(std::nearbyint(1000 * std::sin(step)))}));
    EXPECT_GT(out[0].y, 0); // y grows downward: clockwise on screen
}

TEST(SweptPose, PointLeftOfCentreMovesByTheShortPiInFrameOne) {
    // pi taken as 3.1415 leaves a point left of the centre 0.0000927 r off its place.
    point_slots_array out{};
    swept_pose(PreparedPart(part(2, 10, {0, 0}, {{-100000, 0}})), 1, out);
    EXPECT_EQ(out[0], (screen_point{-100000, 9}));
}

TEST(SweptPose, ShareIsDegreesTimesPiOver180ThenDividedIntoSteps) {
    // At this radius the orders differ: d / 180 * 3.1415 puts y at exactly
    // 41739131.5, which rounds to 41739132; d * 3.1415 / 180 just below it.
    point_slots_array out{};
    swept_pose(PreparedPart(part(2, 11, {0, 0}, {{218754610, 0}})), 2, out);
    EXPECT_EQ(out[0].y, 41739131);
    EXPECT_EQ(out[0].x, 214735708);
}

TEST(CarriedPose, WorkedExampleStepsTheBladeBeforeUse) {
    const Part p = part(3, 90, {300, 300}, {{300, 100}, {290, 60}, {310, 60}, {310, 140}, {290, 140}}, true);
    const BladeTurns turns{30, 0};
    point_slots_array out{};
    double blade = 0;
    carried_pose(PreparedPart(p), turns, 1, blade, out);
    EXPECT_NEAR(blade, -15 * 3.1415 / 180, 1e-15);
    EXPECT_EQ(drawn(out, 4), (Points{{280, 64}, {299, 59}, {320, 136}, {301, 141}}));
    carried_pose(PreparedPart(p), turns, 2, blade, out);
    EXPECT_EQ(drawn(out, 4), (Points{{413, 129}, {430, 119}, {470, 188}, {453, 198}}));
    carried_pose(PreparedPart(p), turns, 3, blade, out);
    EXPECT_NEAR(blade, -45 * 3.1415 / 180, 1e-12);
    EXPECT_EQ(drawn(out, 4), (Points{{465, 279}, {479, 265}, {535, 321}, {521, 335}}));
}

TEST(CarriedPose, ZeroOrNegativeSweepTurnsByTheSecondSetting) {
    for (const std::int32_t sweep : {0, -90}) {
        point_slots_array out{};
        double blade = 0;
        const Part p = part(5, sweep, {0, 0}, {{0, -100}, {10, -100}}, true);
        carried_pose(PreparedPart(p), BladeTurns{1000, 40}, 1, blade, out);
        EXPECT_NEAR(blade, 40 * 3.1415 / 180 / 4, 1e-15) << sweep;
    }
}

TEST(CarriedPose, OnlyPointZeroFillsNoSlot) {
    point_slots_array out{};
    out[0] = {7, 7};
    double blade = 0;
    EXPECT_TRUE(pose_part(part(3, 90, {0, 0}, {{50, 50}}, true), BladeTurns{30, 30}, 2, blade, out).empty());
    EXPECT_EQ(out[0], (screen_point{7, 7}));
    EXPECT_NE(blade, 0.0);
}

// Between frames the pose moves on, but the frames themselves stay exactly
// what the run draws, with the same running blade total: a pose between two
// frames must not take a step of its own.
TEST(PoseBetweenFrames, WholeFramesAreUnchangedByThePosesBetweenThem) {
    const BladeTurns turns{30, 0};
    for (const bool carried : {false, true}) {
        const Part p = part(7, 77, {300, 300}, {{300, 100}, {290, 60}, {310, 60}, {310, 140}, {290, 140}}, carried);
        double plain_blade = 0, sampled_blade = 0;
        for (int n = 1; n <= p.frame_count; ++n) {
            point_slots_array frame{}, sampled{}, between{};
            const auto polygon = pose_part(p, turns, n, plain_blade, frame);
            pose_part(p, turns, n, sampled_blade, sampled);
            EXPECT_EQ(sampled, frame) << "frame " << n << (carried ? " carried" : " swept");
            EXPECT_EQ(sampled_blade, plain_blade);
            if (n == p.frame_count) break;
            // Halfway, every vertex lies between its places in the two frames.
            double scratch = sampled_blade;
            pose_part(p, turns, n + 0.5, scratch, between);
            EXPECT_EQ(scratch, sampled_blade);
            point_slots_array next{};
            double next_blade = plain_blade;
            pose_part(p, turns, n + 1, next_blade, next);
            for (std::size_t k = 0; k < polygon.size(); ++k) {
                const double gap = std::hypot(next[k].x - frame[k].x, next[k].y - frame[k].y);
                EXPECT_LE(std::hypot(between[k].x - frame[k].x, between[k].y - frame[k].y), gap / 2 + 2) << k;
                EXPECT_LE(std::hypot(between[k].x - next[k].x, between[k].y - next[k].y), gap / 2 + 2) << k;
            }
        }
    }
}

// A table of what stops a pose, and what only a frame can fail on.
TEST(PoseFailures, FramesFailAsTheRunDoesAndPosesBetweenThemAreClipped) {
    struct Row {
        const char* what;
        Part part;
        double t;
        std::optional<FailureKind> kind; // nothing: the pose succeeds
        const char* message;             // how the failure starts
    };
    const Row rows[] = {
        {"single frame, carried", part(1, 90, {0, 0}, {{5, 5}, {6, 6}}, true), 1, FailureKind::floating_point,
         "coordinate_nr.txt, frame 1: a part needs at least 2 frames; frame_count 1 divides the sweep into 0 steps"},
        {"single frame, swept", part(1, 90, {0, 0}, {{5, 5}}), 1, FailureKind::floating_point,
         "coordinate.txt, frame 1: a part needs at least 2 frames"},
        {"single frame, carried, no points", part(1, 90, {0, 0}, {}, true), 1, FailureKind::floating_point, ""},
        {"swept part without points computes no share", part(1, 90, {0, 0}, {}), 1, std::nullopt, ""},
        {"nor its product", part(3, 2000000000, {0, 0}, {}), 3, std::nullopt, ""},
        {"sweep product", part(3, 2000000000, {0, 0}, {{1, 0}}), 3, FailureKind::overflow,
         "coordinate.txt, frame 3: (n - 1) x sweep_angle = 2 x 2000000000"},
        {"a frame beyond 32 bits", part(3, 180, {2000000000, 0}, {{-2000000000, 0}}), 2, FailureKind::overflow,
         "coordinate.txt, frame 2: point 0 (-2000000000, 0): y rounds to"},
        {"between frames, clipped", part(3, 180, {2000000000, 0}, {{-2000000000, 0}}), 1.5, std::nullopt, ""},
    };
    for (const Row& row : rows) {
        point_slots_array out{};
        double blade = 0;
        const auto pose = [&] { pose_part(row.part, BladeTurns{30, 30}, row.t, blade, out); };
        if (!row.kind) {
            EXPECT_NO_THROW(pose()) << row.what;
            continue;
        }
        const Failure failure = test::failure_of(pose);
        EXPECT_EQ(failure.kind(), row.kind) << row.what;
        EXPECT_EQ(std::string(failure.what()).rfind(row.message, 0), 0u) << row.what << ": " << failure.what();
    }
}

} // namespace
} // namespace wiper
