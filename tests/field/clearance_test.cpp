#include "field/clearance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/test_part.h"

namespace wiper {
namespace {

// Two bars 2w wide and R long stand up from pivots S apart on one row and
// turn towards each other by the same angle phi, half a turn (of the
// program's pi, 3.1415) over the sweep: phi = (t - 1) x 3.1415 / (frames - 1).
// The right bar is the left one mirrored about the line halfway between the
// pivots, so the least distance between them is twice the left bar's gap to
// that line. Turned clockwise by phi (y down), its corner (w, -R) lies at
// x = w cos phi + R sin phi = sqrt(R^2 + w^2) cos(phi - phi*) from its pivot,
// phi* = atan(R / w), the farthest of its corners towards the other bar. So
//     d(phi) = S - 2 sqrt(R^2 + w^2) cos(phi - phi*),
// least at phi*: d = S - 2 sqrt(R^2 + w^2). Rounding each bar's vertices moves
// it up to sqrt(2)/2, so a look can seem up to 2 sqrt(2) closer than another
// that is truly closer; near phi* the distance grows as
// sqrt(R^2 + w^2) (phi - phi*)^2, so the angle found is within
// sqrt(2 sqrt(2) / 200), about 0.12 rad, of phi*.
TEST(Clearance, BarsTurningTowardsEachOtherComeAsCloseAsTheClosedFormSays) {
    const double pi = 3.1415, R = 200, w = 3;
    const double reach = std::sqrt(R * R + w * w), phi_star = std::atan2(R, w);
    struct Case {
        std::int32_t frames, gap; // S: pivots 100 and 100 + S apart
    };
    for (const Case c : {Case{41, 420}, Case{401, 420}, Case{41, 395}}) {
        const std::int32_t left = 100, right = 100 + c.gap, row = 500, r = static_cast<std::int32_t>(R),
                           half = static_cast<std::int32_t>(w);
        const Part a = test::make_part("coordinate_a.txt", c.frames, 180, {left, row},
                                       {{left - half, row}, {left - half, row - r}, {left + half, row - r},
                                        {left + half, row}});
        const Part b = test::make_part("coordinate_b.txt", c.frames, -180, {right, row},
                                       {{right - half, row}, {right - half, row - r}, {right + half, row - r},
                                        {right + half, row}});
        const std::vector<Approach> found = find_clearance(BladeTurns{}, {a, b}, {});
        ASSERT_EQ(found.size(), 1u);
        const Approach& x = found[0];
        EXPECT_EQ(x.first, "coordinate_a.txt");
        EXPECT_EQ(x.second, "coordinate_b.txt");
        const double least = c.gap - 2 * reach;
        const auto t_at = [&](double phi) { return 1 + (c.frames - 1) * phi / pi; };
        SCOPED_TRACE(testing::Message() << "frames " << c.frames << ", S " << c.gap << ": " << x.distance
                                        << " px at " << x.t);
        if (least > 0) {
            EXPECT_FALSE(x.touch);
            EXPECT_NEAR(x.distance, least, 2.0);
            EXPECT_NEAR((x.t - 1) * pi / (c.frames - 1), phi_star, 0.13);
            EXPECT_NEAR(std::hypot(x.first_x - x.second_x, x.first_y - x.second_y), x.distance, 1e-9);
            continue;
        }
        // They overlap while d < 0: surely touching where d < -3, surely not where d > 3.
        ASSERT_TRUE(x.touch);
        EXPECT_EQ(x.distance, 0);
        const auto phi_at = [&](double d) { return std::acos((c.gap - d) / (2 * reach)); };
        EXPECT_LE(x.touch->first, std::floor(t_at(phi_star - phi_at(-3))));
        EXPECT_GE(x.touch->first, std::floor(t_at(phi_star - phi_at(3))));
        EXPECT_GE(x.touch->second, std::ceil(t_at(phi_star + phi_at(-3))));
        EXPECT_LE(x.touch->second, std::ceil(t_at(phi_star + phi_at(3))));
    }
}

} // namespace
} // namespace wiper
