#include "field/wiped_field.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/failure_of.h"
#include "support/test_part.h"

namespace wiper {
namespace {

// A bar from 100 to 300 pixels out, 2 pixels wide, turned a quarter (of the
// program's pi) about its end over a few frames: the frames alone leave gaps
// of 50 pixels at its tip, and the field is the annular sector between them.
// Its pixels cover the exact area, and at most one pixel more along the
// boundary, where the outline lies half outside it.
TEST(WipedField, RadialBarSweepsTheAnnularSector) {
    const ClipArea picture{640, 400};
    const double r1 = 100, r2 = 300, w = 2, angle = 90 * 3.1415 / 180;
    for (const std::int32_t frames : {4, 10}) {
        const Part bar = test::make_part("coordinate_bar.txt", frames, 90, {320, 380},
                              {{220, 379}, {20, 379}, {20, 381}, {220, 381}});
        const WipedField field = follow_sweep(picture, BladeTurns{}, {bar}, {}, {});
        const double area = angle / 2 * (r2 * r2 - r1 * r1) + w * (r2 - r1);
        const double boundary = 2 * (r2 - r1) + angle * (r1 + r2) + 2 * w;
        ASSERT_EQ(field.parts.size(), 1u);
        EXPECT_EQ(field.together, field.parts[0].pixels);
        EXPECT_GE(static_cast<double>(field.together), area) << frames;
        EXPECT_LE(static_cast<double>(field.together), area + boundary) << frames;
    }
}

// However many frames a part has, a stop asked for while it is posed ends the posing.
TEST(WipedField, AStopEndsThePosingOfAPartOfTwoBillionFrames) {
    const Part part = test::make_part("coordinate_nr.txt", 2'000'000'000, 90, {50, 50}, {{60, 50}, {70, 50}, {70, 60}});
    int asked = 0;
    Hooks hooks;
    hooks.stop_requested = [&] { return ++asked > 1; }; // not before the loop, only inside it
    const Failure f = test::failure_of([&] { pose_every_frame(part, BladeTurns{30, 30}, hooks); });
    EXPECT_EQ(f.kind(), FailureKind::stopped);
    EXPECT_STREQ(f.what(), field_stopped_message);
}

} // namespace
} // namespace wiper
