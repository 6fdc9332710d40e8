#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/failure.h"
#include "support/failure_of.h"
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

Module1 part(std::int32_t frames, std::int32_t sweep, screen_point centre, const std::vector<screen_point>& pts) {
    Module1 m;
    m.frame_count = frames;
    m.sweep_angle = sweep;
    m.centre_x = centre.x;
    m.centre_y = centre.y;
    for (std::size_t i = 0; i < pts.size(); ++i) m.part_points[i] = pts[i];
    m.last_point = static_cast<std::int32_t>(pts.size()) - 1;
    return m;
}

std::vector<screen_point> drawn(const Module1& m, std::int32_t count) {
    return {m.frame_points.begin(), m.frame_points.begin() + count};
}

using Points = std::vector<screen_point>;

TEST(SweptPose, WorkedExampleTurnsAQuarterOverThreeFrames) {
    Module1 m = part(3, 90, {300, 300}, {{300, 100}, {310, 100}, {310, 300}, {300, 300}});
    swept_pose(m, 1);
    EXPECT_EQ(drawn(m, 4), (Points{{300, 100}, {310, 100}, {310, 300}, {300, 300}}));
    swept_pose(m, 2);
    EXPECT_EQ(drawn(m, 4), (Points{{441, 159}, {448, 166}, {307, 307}, {300, 300}}));
    swept_pose(m, 3);
    EXPECT_EQ(drawn(m, 4), (Points{{500, 300}, {500, 310}, {300, 310}, {300, 300}}));
}

TEST(SweptPose, NinetyOverTenFramesTurnsTenDegreesClockwisePerFrame) {
    Module1 m = part(10, 90, {0, 0}, {{1000, 0}});
    swept_pose(m, 2);
    const double step = 10 * 3.1415 / 180;
    EXPECT_EQ(m.frame_points[0], (screen_point{static_cast<std::int32_t>(std::nearbyint(1000 * std::cos(step))),
                                               static_cast<std::int32_t>(std::nearbyint(1000 * std::sin(step)))}));
    EXPECT_GT(m.frame_points[0].y, 0); // y grows downward: clockwise on screen
}

TEST(SweptPose, PointLeftOfCentreMovesByTheShortPiInFrameOne) {
    // pi taken as 3.1415 leaves a point left of the centre 0.0000927 r off its place.
    Module1 m = part(2, 10, {0, 0}, {{-100000, 0}});
    swept_pose(m, 1);
    EXPECT_EQ(m.frame_points[0], (screen_point{-100000, 9}));
}

TEST(SweptPose, ShareIsDegreesTimesPiOver180ThenDividedIntoSteps) {
    // At this radius the orders differ: d / 180 * 3.1415 puts y at exactly
    // 41739131.5, which rounds to 41739132; d * 3.1415 / 180 just below it.
    Module1 m = part(2, 11, {0, 0}, {{218754610, 0}});
    swept_pose(m, 2);
    EXPECT_EQ(m.frame_points[0].y, 41739131);
    EXPECT_EQ(m.frame_points[0].x, 214735708);
}

TEST(CarriedPose, WorkedExampleStepsTheBladeBeforeUse) {
    Module1 m = part(3, 90, {300, 300}, {{300, 100}, {290, 60}, {310, 60}, {310, 140}, {290, 140}});
    const BladeTurns turns{30, 0};
    double blade = 0;
    carried_pose(m, 1, turns, blade);
    EXPECT_NEAR(blade, -15 * 3.1415 / 180, 1e-15);
    EXPECT_EQ(drawn(m, 4), (Points{{280, 64}, {299, 59}, {320, 136}, {301, 141}}));
    carried_pose(m, 2, turns, blade);
    EXPECT_EQ(drawn(m, 4), (Points{{413, 129}, {430, 119}, {470, 188}, {453, 198}}));
    carried_pose(m, 3, turns, blade);
    EXPECT_NEAR(blade, -45 * 3.1415 / 180, 1e-12);
    EXPECT_EQ(drawn(m, 4), (Points{{465, 279}, {479, 265}, {535, 321}, {521, 335}}));
}

TEST(CarriedPose, ZeroOrNegativeSweepTurnsByTheSecondSetting) {
    for (const std::int32_t sweep : {0, -90}) {
        Module1 m = part(5, sweep, {0, 0}, {{0, -100}, {10, -100}});
        double blade = 0;
        carried_pose(m, 1, BladeTurns{1000, 40}, blade);
        EXPECT_NEAR(blade, 40 * 3.1415 / 180 / 4, 1e-15) << sweep;
    }
}

TEST(CarriedPose, OnlyPointZeroFillsNoSlot) {
    Module1 m = part(3, 90, {0, 0}, {{50, 50}});
    m.frame_points[0] = {7, 7};
    double blade = 0;
    carried_pose(m, 2, BladeTurns{30, 30}, blade);
    EXPECT_EQ(m.frame_points[0], (screen_point{7, 7}));
    EXPECT_NE(blade, 0.0);
}

TEST(PoseFailures, SingleFrameIsAFloatingPointFault) {
    Module1 carried = part(1, 90, {0, 0}, {{5, 5}, {6, 6}});
    double blade = 0;
    EXPECT_EQ(test::kind_of([&] { carried_pose(carried, 1, BladeTurns{30, 30}, blade); }), FailureKind::floating_point);
    Module1 swept = part(1, 90, {0, 0}, {{5, 5}});
    EXPECT_EQ(test::kind_of([&] { swept_pose(swept, 1); }), FailureKind::floating_point);
}

TEST(PoseFailures, SweptPartWithoutPointsComputesNoShare) {
    Module1 m = part(1, 90, {0, 0}, {});
    EXPECT_NO_THROW(swept_pose(m, 1));
    Module1 huge = part(3, 2000000000, {0, 0}, {});
    EXPECT_NO_THROW(swept_pose(huge, 3));
}

TEST(PoseFailures, CarriedPartWithoutPointsStillFaults) {
    Module1 m = part(1, 90, {0, 0}, {});
    double blade = 0;
    EXPECT_THROW(carried_pose(m, 1, BladeTurns{}, blade), Failure);
}

} // namespace
} // namespace wiper
