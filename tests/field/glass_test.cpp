#include "field/glass.h"

#include <gtest/gtest.h>

namespace wiper {
namespace {

// A rectangular glass from (10, 10) to (59, 39), outline included: 50 x 30
// pixels. Inside it, a sample point's distance to the outline is its distance
// to the nearest side, a whole number, so the pixels at least b px in are the
// rectangle shrunk by b on every side, (50 - 2b) x (30 - 2b); the inclusive
// test keeps the ring at exactly b. A picture cut at 40 x 30 keeps only the
// columns up to 39 and the rows up to 29 of both.
TEST(Glass, CountsTheRectangleShrunkByItsBorder) {
    struct Row {
        int border;
        ClipArea picture;
        std::uint64_t on_glass, counted;
    };
    for (const Row& row : {Row{0, {100, 60}, 1500, 1500}, Row{1, {100, 60}, 1500, 48 * 28},
                           Row{5, {100, 60}, 1500, 40 * 20}, Row{14, {100, 60}, 1500, 22 * 2},
                           Row{15, {100, 60}, 1500, 0}, Row{5, {40, 30}, 30 * 20, 25 * 15}}) {
        const Glass glass{"glass.txt", row.border, {{10, 10}, {59, 10}, {59, 39}, {10, 39}}};
        const GlassPixels pixels = glass_pixels(glass, row.picture);
        EXPECT_EQ(pixels.on_glass.count(), row.on_glass) << row.border;
        EXPECT_EQ(pixels.counted.count(), row.counted) << row.border << " in " << row.picture.width;
        if (row.counted > 0) {
            EXPECT_TRUE(pixels.counted.test(10 + row.border, 10 + row.border)) << row.border;
            EXPECT_FALSE(pixels.counted.test(9 + row.border, 10 + row.border)) << row.border;
        }
    }
}

} // namespace
} // namespace wiper
