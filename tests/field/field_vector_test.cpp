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

// The rings a mask's outline must have: one clockwise for each group of set
// pixels joined by their sides, one counter-clockwise for each group of clear
// pixels joined by sides or corners that the outside does not reach.
std::pair<int, int> expected_rings(const PixelMask& mask) {
    const int w = mask.width() + 2, h = mask.height() + 2; // a clear frame around it: the outside
    std::vector<int> seen(static_cast<std::size_t>(w * h), 0);
    const auto set = [&](int x, int y) { return x > 0 && y > 0 && x < w - 1 && y < h - 1 && mask.test(x - 1, y - 1); };
    int groups[2] = {0, 0};
    for (int start = 0; start < w * h; ++start) {
        if (seen[static_cast<std::size_t>(start)]) continue;
        const bool value = set(start % w, start / w);
        ++groups[value];
        std::vector<int> todo{start};
        seen[static_cast<std::size_t>(start)] = 1;
        while (!todo.empty()) {
            const int at = todo.back();
            todo.pop_back();
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = at % w + dx, y = at / w + dy;
                    if ((value && dx != 0 && dy != 0) || x < 0 || y < 0 || x >= w || y >= h) continue;
                    if (seen[static_cast<std::size_t>(y * w + x)] || set(x, y) != value) continue;
                    seen[static_cast<std::size_t>(y * w + x)] = 1;
                    todo.push_back(y * w + x);
                }
        }
    }
    return {groups[1], groups[0] - 1};
}

void expect_region(const PixelMask& mask, const std::string& what) {
    const test::PathArea area = test::path_area(region_path(mask));
    EXPECT_TRUE(area.ok) << what << ": " << region_path(mask);
    EXPECT_EQ(area.area, static_cast<double>(mask.count())) << what;
    const auto [outer, holes] = expected_rings(mask);
    EXPECT_EQ(area.clockwise, outer) << what;
    EXPECT_EQ(area.counter_clockwise, holes) << what;
}

TEST(FieldVector, EachRegionsAreaIsItsCount) {
    const struct {
        const char* name;
        std::vector<std::string> rows;
    } cases[] = {
        {"one pixel", {"#"}},
        {"a hole", {"#####", "#...#", "#...#", "#####"}},
        {"an island in a hole", {"#######", "#.....#", "#.###.#", "#.#.#.#", "#.###.#", "#.....#", "#######"}},
        {"pixels meeting at a corner", {"#.#", ".#.", "#.#"}},
        {"a hole open at a corner", {"###.", "#.#.", "##.#", "...#"}},
        {"a hole closed but for a corner", {".###", "##.#", "#.##", "###."}},
        {"nothing", {"...", "..."}},
    };
    for (const auto& c : cases) expect_region(mask_of(c.rows), c.name);
    EXPECT_EQ(region_path(mask_of({"#"})), "M -0.5 -0.5 H 0.5 V 0.5 H -0.5 Z");

    // Random masks whose rows end inside a word, at its end and past it.
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (const std::int32_t width : {63, 64, 65, 128, 130}) {
        PixelMask mask(width, 40);
        for (std::int32_t y = 0; y < 40; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                if (random() % 2) mask.span(Ink::pen, y, x, x + 1);
        expect_region(mask, "random, seed " + std::to_string(seed) + ", width " + std::to_string(width));
    }
}

} // namespace
} // namespace wiper
