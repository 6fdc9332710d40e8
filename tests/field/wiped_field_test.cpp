#include "field/wiped_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "field/sweep_motion.h"
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

// A blade: point 0 at `hang`, then a thin lens `half` px to each side of it.
Part lens(const std::string& name, std::int32_t frames, std::int32_t sweep, screen_point pivot, screen_point hang,
          std::int32_t half) {
    std::vector<screen_point> pts{hang};
    for (int k = 0; k <= 12; ++k)
        pts.push_back({hang.x - half + 2 * half * k / 12, hang.y - 6 - static_cast<std::int32_t>(4 * std::sin(k * 0.26))});
    for (int k = 12; k >= 0; --k) pts.push_back({hang.x - half + 2 * half * k / 12, hang.y - 3});
    return test::make_part(name, frames, sweep, pivot, pts);
}

// What the field is, looked at naively: the part alone, drawn by the frames'
// own rasterizer at every whole t and at its own count of looks between them.
PixelMask looked_at_alone(const Part& part, ClipArea picture, const BladeTurns& turns) {
    PixelMask mask(picture.width, picture.height);
    const std::uint32_t count = step_samples(step_motion(part, turns, picture), most_samples_per_step).count;
    RasterScratch scratch;
    point_slots_array points{};
    double angle = 0;
    for (std::int32_t n = 1; n <= part.frame_count; ++n) {
        rasterize_polygon(pose_part(part, turns, n, angle, points), picture, scratch, mask);
        for (std::uint32_t i = 1; i < count && n < part.frame_count; ++i) {
            double between = angle;
            rasterize_polygon(pose_part(part, turns, n + static_cast<double>(i) / count, between, points), picture,
                              scratch, mask);
        }
    }
    return mask;
}

// Each part's field is its own looks and nothing else, pixel for pixel,
// whichever way the sweep is followed: alone, or beside a part it may touch.
// The bug it holds: every part was looked at as often as the fastest, so
// turning the left wiper further changed the right blade's count (64628 to
// 64631 px); here each two parts turn at different speeds.
TEST(WipedField, EachPartIsWhatItsOwnLooksCover) {
    const ClipArea picture{640, 400};
    const BladeTurns turns{30, -20};
    const std::vector<std::vector<Part>> scenes{
        {lens("a_nr", 12, -80, {200, 390}, {330, 390}, 90), lens("b_nr", 9, -120, {450, 390}, {600, 390}, 120)},
        {lens("near_nr", 7, -90, {300, 300}, {420, 300}, 100), lens("crossing_nr", 11, 90, {340, 300}, {220, 300}, 100)},
        {test::make_part("bar_past_the_edge_nr", 5, 200, {620, 20}, {{600, 10}, {900, 30}, {905, 40}, {590, 25}}),
         lens("entering_nr", 20, -70, {-300, 200}, {-50, 200}, 120)},
    };
    for (const std::vector<Part>& parts : scenes) {
        const WipedField field = follow_sweep(picture, turns, parts, {}, {});
        ASSERT_EQ(field.parts.size(), parts.size());
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const PixelMask alone = looked_at_alone(parts[k], picture, turns);
            std::uint64_t differ = 0;
            for (std::int32_t y = 0; y < picture.height; ++y)
                for (std::int32_t x = 0; x < picture.width; ++x) differ += alone.test(x, y) != field.parts[k].mask.test(x, y);
            EXPECT_GT(alone.count(), 0u) << parts[k].name;
            EXPECT_EQ(differ, 0u) << parts[k].name;
        }
    }
}

// A part that never reaches the picture, however fast it turns, is looked at
// only at its frames and gets no "approximate" warning: its pivot in the
// picture and itself 10,000,000 px out, or both far away.
TEST(WipedField, APartThatNeverReachesThePictureCostsNoLook) {
    const ClipArea picture{170, 150};
    const std::vector<Part> far{
        test::make_part("ring_nr", 1000, 600000, {85, 75}, {{10000085, 75}, {10000065, 70}, {10000105, 70}, {10000105, 80}}),
        test::make_part("ring", 1000, 600000, {85, 75}, {{10000065, 70}, {10000105, 70}, {10000105, 80}}),
        test::make_part("away_nr", 1000, 600000, {10000085, 75}, {{10000085, 175}, {10000065, 70}, {10000105, 70}}),
    };
    for (const Part& part : far) {
        std::vector<std::string> warnings;
        Hooks hooks;
        hooks.warn = [&](const std::string& w) { warnings.push_back(w); };
        const WipedField field = follow_sweep(picture, BladeTurns{30, 30}, {part}, {}, hooks);
        EXPECT_EQ(field.together, 0u) << part.name;
        EXPECT_TRUE(warnings.empty()) << part.name << ": " << (warnings.empty() ? "" : warnings[0]);
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
