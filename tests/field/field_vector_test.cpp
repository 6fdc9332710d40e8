#include "field/field_vector.h"

#include <gtest/gtest.h>

#include <random>

#include "support/svg_paths.h"

namespace wiper {
namespace {

// Pixels set where a row has '#'.
PixelMask mask_of(const std::vector<std::string>& rows) {
    PixelMask mask(static_cast<std::int32_t>(rows[0].size()), static_cast<std::int32_t>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            if (rows[y][x] == '#') mask.span(Ink::pen, static_cast<std::int32_t>(y), static_cast<std::int32_t>(x),
                                             static_cast<std::int32_t>(x) + 1);
    return mask;
}

// A region's path read back encloses its pixel count, with one clockwise ring
// for each group of pixels joined by their sides and one counter-clockwise
// for each hole.
TEST(FieldVector, EachRegionsAreaIsItsCount) {
    const struct {
        const char* name;
        std::vector<std::string> rows;
        int outer, holes;
    } cases[] = {
        {"one pixel", {"#"}, 1, 0},
        {"a hole", {"#####", "#...#", "#...#", "#####"}, 1, 1},
        {"an island in a hole", {"#######", "#.....#", "#.###.#", "#.#.#.#", "#.###.#", "#.....#", "#######"}, 2, 2},
        {"pixels meeting at a corner", {"#.#", ".#.", "#.#"}, 5, 0},
        {"a hole open to the outside at a corner", {"###.", "#.#.", "##.#", "...#"}, 2, 0},
        {"a hole of two pixels meeting at a corner", {".###", "##.#", "#.##", "###."}, 1, 1},
        {"nothing", {"...", "..."}, 0, 0},
    };
    for (const auto& c : cases) {
        const test::PathArea area = test::path_area(region_path(mask_of(c.rows)));
        EXPECT_TRUE(area.ok) << c.name << ": " << region_path(mask_of(c.rows));
        EXPECT_EQ(area.area, static_cast<double>(mask_of(c.rows).count())) << c.name;
        EXPECT_EQ(area.clockwise, c.outer) << c.name;
        EXPECT_EQ(area.counter_clockwise, c.holes) << c.name;
    }
    EXPECT_EQ(region_path(mask_of({"#"})), "M -0.5 -0.5 H 0.5 V 0.5 H -0.5 Z");

    // Random masks whose rows end inside a word, at its end and past it.
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (const std::int32_t width : {63, 64, 65, 128, 130}) {
        PixelMask mask(width, 40);
        for (std::int32_t y = 0; y < 40; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                if (random() % 2) mask.span(Ink::pen, y, x, x + 1);
        const test::PathArea area = test::path_area(region_path(mask));
        EXPECT_TRUE(area.ok && area.area == static_cast<double>(mask.count())) << "seed " << seed << ", width " << width;
    }
}

} // namespace
} // namespace wiper
