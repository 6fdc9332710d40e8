// What the preview window shows of a frame: the visible region, the window
// colour around it, the pixels copied (and only those that changed), and when
// a window is wanted at all. No display needed.
#include "app/preview_region.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/frame_surface.h"

namespace wiper {
namespace {

// A colour no two pixels of a surface up to 4096 x 4096 share: x in red, y in
// green, their high bits in blue. A swapped channel, a flipped row or a shifted
// column shows.
Colour pattern(std::int32_t x, std::int32_t y) {
    return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
            static_cast<std::uint8_t>((x >> 8) | ((y >> 8) << 4))};
}

FrameSurface patterned(std::int32_t w, std::int32_t h) {
    FrameSurface s;
    s.set_size(w, h);
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x) s.paint_span(y, x, x + 1, pattern(x, y));
    return s;
}

// Every pixel of the image is the surface's pixel at the same place.
void expect_shows(const PreviewImage& image, const FrameSurface& s) {
    for (std::int32_t y = 0; y < image.height(); ++y)
        for (std::int32_t x = 0; x < image.width(); ++x) {
            const Colour c = s.pixel(x, y);
            ASSERT_EQ(image.pixel(x, y), c) << "at " << x << "," << y;
            ASSERT_EQ(image.word(x, y), std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b)
                << "at " << x << "," << y;
        }
}

TEST(PreviewRegion, FrameShowsUnscaledFromTheTopLeftCornerClippedToTheClientArea) {
    EXPECT_EQ(visible_region(1920, 1080), (PreviewRect{0, 0, 753, 394}));
    EXPECT_EQ(visible_region(7680, 4320), (PreviewRect{0, 0, 753, 394}));
    EXPECT_EQ(visible_region(753, 394), (PreviewRect{0, 0, 753, 394}));
    EXPECT_EQ(visible_region(754, 395), (PreviewRect{0, 0, 753, 394}));
    EXPECT_EQ(visible_region(752, 393), (PreviewRect{0, 0, 752, 393}));
    EXPECT_EQ(visible_region(32767, 2), (PreviewRect{0, 0, 753, 2}));
    EXPECT_EQ(visible_region(2, 32767), (PreviewRect{0, 0, 2, 394}));
    EXPECT_EQ(visible_region(1, 1), (PreviewRect{0, 0, 1, 1}));
    EXPECT_TRUE(visible_region(0, 0).empty());
}

TEST(PreviewRegion, WindowColourFillsExactlyWhatTheFrameLeavesUncovered) {
    EXPECT_TRUE(uncovered_regions(visible_region(1920, 1080)).empty());
    EXPECT_TRUE(uncovered_regions(visible_region(753, 394)).empty());
    EXPECT_EQ(uncovered_regions(visible_region(300, 200)),
              (std::vector<PreviewRect>{{300, 0, 453, 200}, {0, 200, 753, 194}}));
    EXPECT_EQ(uncovered_regions(visible_region(2000, 100)), (std::vector<PreviewRect>{{0, 100, 753, 294}}));
    EXPECT_EQ(uncovered_regions(visible_region(100, 2000)), (std::vector<PreviewRect>{{100, 0, 653, 394}}));
    EXPECT_EQ(uncovered_regions(PreviewRect{}), (std::vector<PreviewRect>{{0, 0, 753, 394}}));

    // Frame and window colour tile the client area: every pixel painted once.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {752, 1}, {1, 393}, {400, 394}, {753, 7}}) {
        std::vector<int> painted(753 * 394, 0);
        std::vector<PreviewRect> all = uncovered_regions(visible_region(w, h));
        all.push_back(visible_region(w, h));
        for (const PreviewRect& r : all) {
            ASSERT_GE(r.x, 0);
            ASSERT_GE(r.y, 0);
            ASSERT_LE(r.x + r.w, 753);
            ASSERT_LE(r.y + r.h, 394);
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x) ++painted[static_cast<std::size_t>(y * 753 + x)];
        }
        for (std::size_t i = 0; i < painted.size(); ++i)
            ASSERT_EQ(painted[i], 1) << w << "x" << h << " at " << i % 753 << "," << i / 753;
    }
}

TEST(PreviewImage, CopiesTheVisiblePixelsTopRowFirstAsRgbWords) {
    // Larger than the client area both ways; rows padded (1000 * 3 is a multiple
    // of 4, 1001 * 3 is not).
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1000, 500}, {1001, 401}}) {
        const FrameSurface s = patterned(w, h);
        PreviewImage image;
        image.take(s);
        ASSERT_EQ(image.width(), 753);
        ASSERT_EQ(image.height(), 394);
        ASSERT_EQ(image.pitch(), 753u * 4);
        ASSERT_EQ(image.words().size(), 753u * 394);
        expect_shows(image, s);
    }
    // A known pixel, spelled out: surface bytes B, G, R become 0x00RRGGBB.
    FrameSurface s;
    s.set_size(3, 2);
    s.paint_span(1, 2, 3, Colour{0x12, 0x34, 0x56});
    PreviewImage image;
    image.take(s);
    EXPECT_EQ(image.word(2, 1), 0x00123456u);
    EXPECT_EQ(image.word(0, 0), 0x00FFFFFFu);
}

TEST(PreviewImage, SmallAndExtremeFramesAreCopiedWhole) {
    // Rows with and without padding; a full 753 x 394 puts the last pixel at the
    // very end of the image's storage, where nothing past it may be read.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {1, 1}, {4, 1}, {4, 3}, {5, 3}, {100, 50}, {752, 393}, {753, 394}, {32767, 2}, {2, 32767}}) {
        const FrameSurface s = patterned(w, h);
        PreviewImage image;
        const PreviewRect changed = image.take(s);
        ASSERT_EQ(image.area(), visible_region(w, h)) << w << "x" << h;
        EXPECT_EQ(changed, image.area()) << w << "x" << h;
        expect_shows(image, s);
    }
}

TEST(PreviewImage, ReportsOnlyTheRowsThatChangedSinceTheLastTake) {
    FrameSurface s = patterned(900, 500);
    PreviewImage image;
    EXPECT_EQ(image.take(s), (PreviewRect{0, 0, 753, 394})); // first take: everything

    EXPECT_TRUE(image.take(s).empty()) << "same frame again";

    s.paint_span(120, 752, 753, black); // the last visible column
    s.paint_span(40, 0, 1, black);
    EXPECT_EQ(image.take(s), (PreviewRect{0, 40, 753, 81}));
    expect_shows(image, s);

    // Outside the client area the frame may change at will.
    s.paint_span(10, 753, 900, black);
    s.paint_span(394, 0, 900, black);
    s.paint_span(499, 0, 900, black);
    EXPECT_TRUE(image.take(s).empty());

    s.paint_span(393, 0, 1, white);
    EXPECT_EQ(image.take(s), (PreviewRect{0, 393, 753, 1}));
    expect_shows(image, s);

    // A frame that only matches the previous one in part is caught row by row.
    const FrameSurface other = patterned(900, 500);
    EXPECT_EQ(image.take(other), (PreviewRect{0, 40, 753, 354}));
    expect_shows(image, other);
}

TEST(PreviewImage, ANewSizeIsTakenWhole) {
    PreviewImage image;
    const FrameSurface big = patterned(800, 400);
    image.take(big);

    // The small frame's pixels equal the big one's at the same places: only the
    // change of size says the rows must reach the screen again.
    const FrameSurface small = patterned(300, 200);
    EXPECT_EQ(image.take(small), (PreviewRect{0, 0, 300, 200}));
    EXPECT_EQ(image.pitch(), 300u * 4);
    expect_shows(image, small);

    EXPECT_EQ(image.take(big), (PreviewRect{0, 0, 753, 394}));
    expect_shows(image, big);

    FrameSurface blank;
    blank.set_size(10, 10);
    EXPECT_EQ(image.take(blank), (PreviewRect{0, 0, 10, 10}));
    EXPECT_EQ(image.pixel(9, 9), white);
}

TEST(PreviewWindowWanted, OnlyWithADisplayAndWithoutTheHeadlessOption) {
    EXPECT_TRUE(preview_window_wanted(false, ":0", nullptr));
    EXPECT_TRUE(preview_window_wanted(false, nullptr, "wayland-0"));
    EXPECT_TRUE(preview_window_wanted(false, ":99", "wayland-0"));
    EXPECT_FALSE(preview_window_wanted(false, nullptr, nullptr));
    EXPECT_FALSE(preview_window_wanted(false, "", ""));
    EXPECT_FALSE(preview_window_wanted(false, "", nullptr));
    EXPECT_FALSE(preview_window_wanted(true, ":0", "wayland-0"));
    EXPECT_FALSE(preview_window_wanted(true, nullptr, nullptr));
}

} // namespace
} // namespace wiper
