#include <gtest/gtest.h>

#include <cstring>

#include "common/failure.h"
#include "support/failure_of.h"
#include "imaging/frame_surface.h"
#include "imaging/rasterizer.h"
#include "imaging/surface_steps.h"

namespace wiper {
namespace {

bool all_white_with_zero_padding(const FrameSurface& s) {
    for (int y = 0; y < s.height(); ++y) {
        const std::uint8_t* r = s.row(y);
        for (std::size_t i = 0; i < s.stride(); ++i)
            if (r[i] != (i < 3 * static_cast<std::size_t>(s.width()) ? 0xFF : 0)) return false;
    }
    return true;
}

TEST(FrameSurfaceSize, RefusesWhatItCannotHold) {
    FrameSurface s;
    for (const auto& size : {std::pair{0, 5}, {5, 0}, {-1, 5}, {32768, 1}, {1, 32768}, {32767, 32767}})
        EXPECT_EQ(test::kind_of([&] { s.set_size(size.first, size.second); }), FailureKind::invalid_size)
            << size.first << "x" << size.second;
    s.set_size(32767, 1);
    s.set_size(5, 3);
    EXPECT_EQ(s.stride(), 16u);
    EXPECT_TRUE(all_white_with_zero_padding(s));
}

TEST(ClearToWhite, UndoesEveryWayOfPaintingTheSurface) {
    FrameSurface s;
    s.set_size(13, 9);
    const std::vector<screen_point> tri{{1, 1}, {11, 3}, {4, 8}};
    // Drawn polygon.
    RasterScratch scratch;
    draw_operation(s, {part_ink, tri}, scratch);
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
    // Raw writes through a row, and through the whole array.
    s.row_for_write(7, 15, 16)[0] = 0;
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
    std::memset(s.bytes_for_overwrite().data(), 0x11, s.byte_count());
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
    // More separate spans than the surface keeps a list of.
    s.set_size(400, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 400; x += 2) s.paint_span(y, x, x + 1, black);
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
    s.set_size(13, 9);
    // A non-white background erased back to white.
    s.set_background(Colour{1, 2, 3});
    EXPECT_EQ(s.pixel(12, 8), (Colour{1, 2, 3}));
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
}

TEST(ClearToWhite, RegressionWhiteFillOverBlackRowsIsNotSkipped) {
    // Skipping white paint on a "known white" surface must not skip rows that
    // were painted black earlier.
    FrameSurface s;
    s.set_size(6, 6);
    s.paint_span(2, 0, 6, black);
    s.paint_span(2, 1, 5, white);
    EXPECT_EQ(s.pixel(0, 2), black);
    EXPECT_EQ(s.pixel(3, 2), white);
}

} // namespace
} // namespace wiper
