#include "imaging/rasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "common/screen_point.h"
#include "field/pixel_mask.h"
#include "field/span_list.h"
#include "imaging/frame_surface.h"
#include "imaging/surface_steps.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

using test::pixels_of;
// Draws through the surface's own steps, as the run does.
void draw(FrameSurface& s, const std::vector<screen_point>& points) {
    RasterScratch scratch;
    draw_polygon(s, points, scratch);
}

using i64 = std::int64_t;
using i128 = __int128;

constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();

constexpr Colour red_fill{200, 30, 40};
constexpr Colour blue_pen{10, 20, 230};

// A surface with fill and pen told apart from each other and from the white background.
FrameSurface make_surface(std::int32_t w, std::int32_t h) {
    FrameSurface s;
    s.set_size(w, h);
    s.set_fill(red_fill);
    s.set_pen(blue_pen);
    s.forget_changes();
    return s;
}

// The surface as text, one line a row: '.' background, '#' fill, 'o' pen.
std::string picture(const FrameSurface& s) {
    std::string out;
    for (std::int32_t y = 0; y < s.height(); ++y) {
        for (std::int32_t x = 0; x < s.width(); ++x) {
            const Colour c = s.pixel(x, y);
            out += c == s.pen() ? 'o' : c == s.fill() ? '#' : c == s.background() ? '.' : '?';
        }
        out += '\n';
    }
    return out;
}

std::string describe(const std::vector<screen_point>& pts) {
    std::string out;
    // Appended piece by piece: GCC 12 misreads "literal" + std::string as overlapping copies.
    for (const screen_point& p : pts) ((((out += '(') += std::to_string(p.x)) += ',') += std::to_string(p.y)) += ") ";
    return out;
}

// ---- Brute-force reference: every pixel decided on its own, exactly. ----

i64 sign_of(i64 v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// Whether the outline segment a -> b (a drawn, b not) covers pixel (px, py):
// invert the step along the major axis, then check the rounded minor position.
bool segment_covers(screen_point a, screen_point b, i64 px, i64 py) {
    const i64 dx = i64{b.x} - a.x;
    const i64 dy = i64{b.y} - a.y;
    const i64 adx = dx < 0 ? -dx : dx;
    const i64 ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return false;
    const bool x_major = adx >= ady;
    const i64 major = x_major ? adx : ady;
    const i64 minor = x_major ? ady : adx;
    const i64 along = x_major ? px - a.x : py - a.y;
    const i64 across = x_major ? py - a.y : px - a.x;
    const i64 t = along * sign_of(x_major ? dx : dy);
    if (t < 0 || t >= major) return false;
    const i128 offset = (i128{2} * t * minor + major) / (i128{2} * major); // all non-negative
    return i128{across} == sign_of(x_major ? dy : dx) * offset;
}

// Even-odd: pixel x is inside when an odd number of the row's crossings c have
// ceil(c) <= x, that is c <= x.
bool inside_even_odd(const std::vector<screen_point>& pts, i64 px, i64 py) {
    bool inside = false;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        screen_point a = pts[i];
        screen_point b = pts[(i + 1) % pts.size()];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        if (py < a.y || py >= b.y) continue;
        const i128 lhs = i128{py - a.y} * (i64{b.x} - a.x);
        const i128 rhs = i128{px - a.x} * (i64{b.y} - a.y);
        if (lhs <= rhs) inside = !inside;
    }
    return inside;
}

// Whether the polygon's outline covers the pixel.
bool reference_outline(const std::vector<screen_point>& pts, i64 x, i64 y) {
    for (std::size_t k = 0; pts.size() >= 2 && k < pts.size(); ++k)
        if (segment_covers(pts[k], pts[(k + 1) % pts.size()], x, y)) return true;
    return false;
}

// Whether the polygon's outline or interior covers the pixel.
bool reference_covers(const std::vector<screen_point>& pts, i64 x, i64 y) {
    return pts.size() >= 2 && (reference_outline(pts, x, y) || inside_even_odd(pts, x, y));
}

std::vector<Colour> reference_drawing(const FrameSurface& before, const std::vector<screen_point>& pts) {
    std::vector<Colour> out = pixels_of(before);
    std::size_t i = 0;
    for (std::int32_t y = 0; y < before.height(); ++y)
        for (std::int32_t x = 0; x < before.width(); ++x, ++i)
            if (reference_covers(pts, x, y)) out[i] = reference_outline(pts, x, y) ? before.pen() : before.fill();
    return out;
}

// Draws on the surface and checks the result against the reference, that every
// changed pixel's row was noted, and that every on-surface vertex is in the pen colour.
void expect_matches_reference(FrameSurface& s, const std::vector<screen_point>& pts) {
    SCOPED_TRACE("polygon " + describe(pts));
    const std::vector<Colour> before = pixels_of(s);
    const std::vector<Colour> expected = reference_drawing(s, pts);
    s.forget_changes();
    draw(s, pts);
    const std::vector<Colour> after = pixels_of(s);

    int mismatches = 0;
    const RowRange noted = s.changed_rows();
    for (std::int32_t y = 0; y < s.height(); ++y) {
        const RowSpan span = s.changed_span(y);
        EXPECT_TRUE(span.empty() || (noted.top <= y && y <= noted.bottom)) << "row " << y << " outside the noted rows";
        for (std::int32_t x = 0; x < s.width(); ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * s.width() + x;
            if (after[i] != expected[i] && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << "," << y << ") differs from the reference";
            if (after[i] != before[i]) {
                EXPECT_TRUE(span.begin <= 3u * x && 3u * x + 3 <= span.end)
                    << "pixel (" << x << "," << y << ") changed outside its row's noted span";
            }
        }
    }
    // The field's sinks see the same pixels: the mask directly, and the span
    // list of the touch check once replayed into one.
    PixelMask mask(s.width(), s.height()), replayed(s.width(), s.height());
    RasterScratch scratch;
    SpanList spans;
    rasterize_polygon(pts, s.clip_area(), scratch, mask);
    rasterize_polygon(pts, s.clip_area(), scratch, spans);
    spans.replay(replayed);
    for (std::int32_t y = 0; y < s.height(); ++y)
        for (std::int32_t x = 0; x < s.width(); ++x) {
            const bool drawn = reference_covers(pts, x, y);
            if ((mask.test(x, y) != drawn || replayed.test(x, y) != drawn) && ++mismatches <= 5)
                ADD_FAILURE() << "the field's sinks differ from the reference at (" << x << "," << y << ")";
        }
    bool all_equal = true;
    for (const screen_point& p : pts) all_equal = all_equal && p == pts[0];
    if (pts.size() >= 2 && !all_equal)
        for (const screen_point& p : pts)
            if (p.x >= 0 && p.x < s.width() && p.y >= 0 && p.y < s.height()) {
                EXPECT_EQ(s.pixel(p.x, p.y), s.pen()) << "vertex (" << p.x << "," << p.y << ")";
            }
}

// The changed rows as "top-bottom", or "none".
std::string rows_of(const FrameSurface& s) {
    const RowRange r = s.changed_rows();
    return r.empty() ? "none" : std::to_string(r.top) + "-" + std::to_string(r.bottom);
}

// A picture of w x h in one character.
std::string all(char c, std::int32_t w, std::int32_t h) {
    std::string out;
    for (std::int32_t y = 0; y < h; ++y) out += std::string(static_cast<std::size_t>(w), c) + '\n';
    return out;
}

// ---- Exact pictures of simple shapes ----

// Each shape drawn on a fresh surface gives exactly its picture and notes
// exactly its rows (where a row says). Grey colours take the surface's
// byte-fill path (GreyColoursPaintTheSamePixels): each shape is drawn again in
// grey and black, and must paint the same pixels.
TEST(PolygonPicture, ShapesDrawExactlyTheirPixels) {
    const struct {
        std::string name;
        std::int32_t w, h;
        std::function<void(FrameSurface&)> draw;
        std::string picture;
        std::string rows = ""; // "top-bottom", "none", or empty: not checked
    } rows[] = {
        {"SquareFillsTopLeftRuleAndOutlinesEveryCorner", 12, 12,
         [](FrameSurface& s) { draw(s, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}); },
         "ooooooooooo.\n"
         "o#########o.\n"
         "o#########o.\n"
         "o#########o.\n"
         "o#########o.\n"
         "o#########o.\n"
         "o#########o.\n"
         "o#########o.\n"
         "o#########o.\n"
         "o#########o.\n"
         "ooooooooooo.\n"
         "............\n",
         "0-10"},
        // Row 2 crosses x = 0, 2, 6, 8: lobes [0,2) and [6,8) filled, the outline on
        // top of them, the middle left alone. Row 8 has only vertices, no crossing.
        {"BowTieFillsBothLobesAndLeavesTheGapsBetween", 10, 10,
         [](FrameSurface& s) { draw(s, {{0, 0}, {8, 8}, {8, 0}, {0, 8}}); },
         "o.......o.\n"
         "oo.....oo.\n"
         "o#o...o#o.\n"
         "o##o.o##o.\n"
         "o###o###o.\n"
         "o##o.o##o.\n"
         "o#o...o#o.\n"
         "oo.....oo.\n"
         "o.......o.\n"
         "..........\n"},
        {"PolygonOutline.TwoPointPolygonIsALineWithBothEnds", 11, 8, [](FrameSurface& s) { draw(s, {{2, 3}, {9, 6}}); },
         "...........\n"
         "...........\n"
         "...........\n"
         "..oo.......\n"
         "....oo.....\n"
         "......oo...\n"
         "........oo.\n"
         "...........\n"},
        {"PolygonOutline.HorizontalVerticalAndDiagonalLines", 9, 9,
         [](FrameSurface& s) {
             draw(s, {{1, 0}, {7, 0}});
             draw(s, {{0, 2}, {0, 8}});
             draw(s, {{8, 8}, {2, 2}});
         },
         ".ooooooo.\n"
         ".........\n"
         "o.o......\n"
         "o..o.....\n"
         "o...o....\n"
         "o....o...\n"
         "o.....o..\n"
         "o......o.\n"
         "o.......o\n"},
        // Slope 1/2: at the odd steps the exact line is half a pixel between rows,
        // and each direction rounds towards its own far end, so the two passes of a
        // two-point polygon differ there.
        {"PolygonOutline.HalfwayPositionsRoundAwayFromTheSegmentStart", 6, 4,
         [](FrameSurface& s) { draw(s, {{0, 0}, {4, 2}}); },
         "oo....\n"
         ".ooo..\n"
         "...oo.\n"
         "......\n"},
        {"PolygonOutline.DegeneratePolygonsDrawNothing", 8, 8,
         [](FrameSurface& s) {
             draw(s, {});
             draw(s, {{3, 3}});
             draw(s, {{3, 3}, {3, 3}});
             draw(s, {{4, 2}, {4, 2}, {4, 2}, {4, 2}, {4, 2}});
         },
         all('.', 8, 8), "none"},
        {"PolygonClipping.WhollyOffSurfaceChangesNothing", 16, 16,
         [](FrameSurface& s) {
             draw(s, {{-30, -30}, {-1, -20}, {-5, 40}}); // left
             draw(s, {{16, 0}, {40, 3}, {30, 15}});      // right
             draw(s, {{0, -9}, {15, -1}, {3, -5}});      // above
             draw(s, {{0, 16}, {15, 30}, {-8, 20}});     // below
         },
         all('.', 16, 16), "none"},
        {"PolygonClipping.WhollyOffSurfaceChangesNothing: bounding box overlaps the surface but the shape passes beside it",
         16, 16, [](FrameSurface& s) { draw(s, {{-20, 10}, {10, -20}, {-20, -20}}); }, all('.', 16, 16)},
        {"PolygonClipping.ExtremeCoordinatesDrawTheRightPixels: a square far larger than the surface, outline out of sight",
         9, 7, [](FrameSurface& s) { draw(s, {{int_min, int_min}, {int_max, int_min}, {int_max, int_max}, {int_min, int_max}}); },
         all('#', 9, 7), "0-6"},
        {"PolygonClipping.ExtremeCoordinatesDrawTheRightPixels: an exact diagonal from two billion pixels away", 8, 8,
         [](FrameSurface& s) { draw(s, {{-2000000000, -2000000000}, {2000000000, 2000000000}}); },
         "o.......\n"
         ".o......\n"
         "..o.....\n"
         "...o....\n"
         "....o...\n"
         ".....o..\n"
         "......o.\n"
         ".......o\n"},
        {"Rectangle.BorderInPenInteriorInFill", 9, 7, [](FrameSurface& s) { draw_rectangle(s, 2, 1, 7, 5); },
         ".........\n"
         "..ooooo..\n"
         "..o###o..\n"
         "..o###o..\n"
         "..ooooo..\n"
         ".........\n"
         ".........\n",
         "1-4"},
        // 8 pixels make a row with no padding, so a border pixel painted one past
        // the right edge would land on the next row in memory and show.
        {"Rectangle.ClearingRectangleKeepsItsBorderOutsideTheSurface", 8, 5,
         [](FrameSurface& s) { draw_rectangle(s, -1, -1, 9, 6); }, all('#', 8, 5), "0-4"},
        {"Rectangle.PartlyClippedShowsOnlyTheVisibleBorderSides", 6, 5,
         [](FrameSurface& s) { draw_rectangle(s, -3, 2, 4, 9); },
         "......\n"
         "......\n"
         "oooo..\n"
         "###o..\n"
         "###o..\n"},
        {"Rectangle.ThinAndEmptyRectangles", 6, 4,
         [](FrameSurface& s) {
             draw_rectangle(s, 1, 0, 2, 4); // one column: all border
             draw_rectangle(s, 3, 1, 6, 2); // one row: all border
             draw_rectangle(s, 4, 3, 4, 4); // no width
             draw_rectangle(s, 0, 3, 6, 3); // no height
             draw_rectangle(s, 5, 0, 2, 4); // right before left
         },
         ".o....\n"
         ".o.ooo\n"
         ".o....\n"
         ".o....\n"},
        {"Rectangle.ExtremeEdgesDoNotOverflow", 5, 4,
         [](FrameSurface& s) { draw_rectangle(s, int_min, int_min, int_max, int_max); }, all('#', 5, 4)},
        {"Rectangle.ExtremeEdgesDoNotOverflow: beyond the surface", 5, 4,
         [](FrameSurface& s) {
             draw_rectangle(s, int_min, int_min, int_min + 1, int_min + 1);
             draw_rectangle(s, int_max - 1, 0, int_max, 4);
             draw_rectangle(s, 0, int_min, 5, 0);
         },
         all('.', 5, 4), "none"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FrameSurface s = make_surface(row.w, row.h);
        row.draw(s);
        EXPECT_EQ(picture(s), row.picture);
        if (!row.rows.empty()) {
            EXPECT_EQ(rows_of(s), row.rows);
        }
        FrameSurface grey;
        grey.set_size(row.w, row.h);
        grey.set_fill(Colour{128, 128, 128});
        grey.set_pen(black);
        row.draw(grey);
        EXPECT_EQ(picture(grey), row.picture) << "in grey";
    }
}

TEST(PolygonPicture, PentagramCentreIsCoveredTwiceAndStaysUnfilled) {
    FrameSurface s = make_surface(61, 61);
    std::vector<screen_point> star;
    for (int k = 0; k < 5; ++k) {
        const double a = (-90.0 + 144.0 * k) * std::numbers::pi / 180.0;
        star.push_back({static_cast<std::int32_t>(std::lround(30 + 25 * std::cos(a))),
                        static_cast<std::int32_t>(std::lround(30 + 25 * std::sin(a)))});
    }
    draw(s, star);
    const std::string pic = picture(s);
    // The inner pentagon reaches about 7.7 pixels from the centre.
    for (int y = 24; y <= 36; ++y)
        for (int x = 24; x <= 36; ++x)
            if ((x - 30) * (x - 30) + (y - 30) * (y - 30) <= 36) {
                EXPECT_EQ(s.pixel(x, y), white) << "(" << x << "," << y << ")\n" << pic;
            }
    // Each tip, 16 pixels out along its axis, is covered once and filled.
    for (int k = 0; k < 5; ++k) {
        const double a = (-90.0 + 72.0 * k) * std::numbers::pi / 180.0;
        const int x = static_cast<int>(std::lround(30 + 16 * std::cos(a)));
        const int y = static_cast<int>(std::lround(30 + 16 * std::sin(a)));
        EXPECT_EQ(s.pixel(x, y), red_fill) << "tip " << k << "\n" << pic;
    }
    FrameSurface again = make_surface(61, 61);
    expect_matches_reference(again, star);
}

// ---- Clipping ----

TEST(PolygonClipping, PartlyOffSurfaceMatchesTheVisibleWindowOfABiggerSurface) {
    SCOPED_TRACE("seed 7");
    constexpr std::int32_t w = 24, h = 18, margin = 64;
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::int32_t> coord(-40, 60);
    std::uniform_int_distribution<int> count(2, 9);
    for (int round = 0; round < 150; ++round) {
        std::vector<screen_point> pts(count(rng));
        for (screen_point& p : pts) p = {coord(rng), coord(rng)};
        std::vector<screen_point> shifted = pts;
        for (screen_point& p : shifted) p = {p.x + margin, p.y + margin};

        FrameSurface small = make_surface(w, h);
        FrameSurface big = make_surface(w + 2 * margin, h + 2 * margin);
        draw(small, pts);
        draw(big, shifted);
        int mismatches = 0;
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x)
                if (small.pixel(x, y) != big.pixel(x + margin, y + margin) && ++mismatches <= 3)
                    ADD_FAILURE() << "pixel (" << x << "," << y << ") of " << describe(pts);
    }
}

TEST(PolygonClipping, RandomHugeCoordinatesMatchTheReference) {
    SCOPED_TRACE("seed 2024");
    std::mt19937 rng(2024);
    std::uniform_int_distribution<std::int32_t> any(int_min, int_max);
    std::uniform_int_distribution<std::int32_t> near(-12, 40);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> count(2, 7);
    for (int round = 0; round < 150; ++round) {
        FrameSurface s = make_surface(28, 20);
        std::vector<screen_point> pts(count(rng));
        auto pick = [&] {
            const int k = kind(rng);
            return k < 4 ? near(rng) : k == 4 ? int_min : k == 5 ? int_max : any(rng);
        };
        for (screen_point& p : pts) p = {pick(), pick()};
        expect_matches_reference(s, pts);
    }
}

// ---- The whole model against an independent per-pixel reference ----

// Chosen polygons, each drawn over the ones before it on one surface.
TEST(PolygonReference, ChosenPolygonsMatchPixelForPixel) {
    const struct {
        std::string name;
        std::int32_t w, h;
        std::vector<std::vector<screen_point>> polygons;
        screen_point pen_at; // a pixel the last one must reach
    } rows[] = {
        // The first steps of these lines are on the surface along their major axis
        // but off it along the minor one; drawing has to carry on until they arrive.
        {"PolygonOutline.LinesStartingBesideTheSurfaceAreDrawnOnceTheyReachIt", 20, 10, {{{0, -3}, {19, 6}}}, {19, 6}},
        {"PolygonOutline.LinesStartingBesideTheSurfaceAreDrawnOnceTheyReachIt", 10, 20, {{{12, 0}, {-1, 19}}}, {0, 18}},
        {"PolygonClipping.ExtremeCoordinatesDrawTheRightPixels", 30, 20,
         {{{int_min, 0}, {int_max, 7}},
          {{int_min, int_min}, {int_max, 3}, {5, int_max}},
          {{-2000000000, 10}, {2000000000, 11}, {15, -2000000000}, {16, 2000000000}},
          {{int_max, int_max}, {0, 0}, {int_max, int_min}}},
         {0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FrameSurface s = make_surface(row.w, row.h);
        for (const auto& polygon : row.polygons) expect_matches_reference(s, polygon);
        EXPECT_EQ(s.pixel(row.pen_at.x, row.pen_at.y), blue_pen);
    }
}

TEST(PolygonReference, RandomSmallPolygonsMatchPixelForPixel) {
    SCOPED_TRACE("seed 12345");
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::int32_t> coord(-4, 22);
    std::uniform_int_distribution<int> count(2, 10);
    std::uniform_int_distribution<int> coin(0, 3);
    for (int round = 0; round < 400; ++round) {
        FrameSurface s = make_surface(19, 15);
        if (round % 2 == 0) {
            s.set_fill(Colour{90, 90, 90});
            s.set_pen(black);
        }
        std::vector<screen_point> pts(count(rng));
        for (std::size_t i = 0; i < pts.size(); ++i) {
            pts[i] = {coord(rng), coord(rng)};
            // Repeated points and shared rows and columns are where edge cases live.
            if (i > 0 && coin(rng) == 0) pts[i] = pts[i - 1];
            if (i > 0 && coin(rng) == 1) pts[i].y = pts[i - 1].y;
            if (i > 0 && coin(rng) == 2) pts[i].x = pts[i - 1].x;
        }
        expect_matches_reference(s, pts);
        if (HasFailure()) break;
    }
}

TEST(PolygonReference, DrawingOverEarlierShapesOnlyChangesItsOwnPixels) {
    SCOPED_TRACE("seed 99");
    std::mt19937 rng(99);
    std::uniform_int_distribution<std::int32_t> coord(-3, 18);
    FrameSurface s = make_surface(16, 16);
    for (int round = 0; round < 40; ++round) {
        s.set_fill(Colour{static_cast<std::uint8_t>(round * 6), 100, 50});
        s.set_pen(Colour{20, static_cast<std::uint8_t>(round * 5), 200});
        std::vector<screen_point> pts(5);
        for (screen_point& p : pts) p = {coord(rng), coord(rng)};
        expect_matches_reference(s, pts);
    }
}

} // namespace
} // namespace wiper
