#include <gtest/gtest.h>

#include <limits>

#include "imaging/draw_record.h"

namespace wiper {
namespace {

constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();

// Every operation comes back as it was drawn, its ink too, whatever the steps
// between points; one that draws nothing is not kept.
TEST(DrawRecord, GivesBackWhatWasAdded) {
    const InkColours other{{1, 2, 3}, {250, 251, 252}};
    const std::vector<std::pair<InkColours, std::vector<screen_point>>> ops{
        {part_ink, {{0, 0}, {1, -1}, {5, 3}}},
        {other, {{lo, hi}, {hi, lo}, {lo, lo}, {hi, hi}}},
        {other, {{7, 7}}}, // draws nothing
        {part_ink, {{-3, 9}, {-3, 9}}},
        {InkColours{white, black}, {{100, 200}, {-100, -200}}},
    };
    DrawRecord added, kept;
    for (const auto& [ink, points] : ops) added.add({ink, points});
    RecordMemory memory(1 << 20);
    ASSERT_TRUE(kept.append(added, memory));
    ASSERT_TRUE(kept.append(added, memory)); // twice over: records are joined as they are

    std::vector<screen_point> points;
    std::size_t at = 0;
    for (int round = 0; round < 2; ++round)
        for (const auto& [ink, expected] : ops) {
            if (expected.size() < 2) continue;
            ASSERT_LT(at, kept.size());
            const DrawOperation op = kept.unpack(at, points);
            EXPECT_EQ(op.ink, ink);
            EXPECT_EQ(std::vector<screen_point>(op.polygon.begin(), op.polygon.end()), expected);
        }
    EXPECT_EQ(at, kept.size());
}

} // namespace
} // namespace wiper
