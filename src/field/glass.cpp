#include "field/glass.h"

#include <algorithm>
#include <cstdlib>

#include "batch/field_reader.h"
#include "batch/part_listing.h"
#include "common/failure.h"
#include "field/wiped_field.h"
#include "field/zones.h"
#include "platform/files.h"

namespace wiper {

std::optional<Glass> read_glass(const std::string& folder, const std::function<void(const std::string&)>& warn,
                                const std::function<void()>& between) {
    const std::vector<std::string> names = list_files_named_but_copies(folder, glass_file_prefix, warn);
    if (names.empty()) return std::nullopt;
    if (names.size() > 1) {
        // Which one is the windscreen is the designer's to say, not a guess.
        std::string listed;
        for (std::size_t i = 0; i < names.size(); ++i)
            listed += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
        throw Failure(FailureKind::file_not_found, folder + " holds " + std::to_string(names.size()) +
                                                       " glass files, " + listed +
                                                       ": a folder may hold at most one (a name beginning with glass)");
    }
    const std::string path = files::join(folder, names.front());
    FieldReader reader(read_text_file(path, between), path, between);
    Glass glass;
    glass.name = names.front();
    glass.border = read_leading_number(reader, path, "the border", "a whole number of pixels from 0 to 10000",
                                       most_glass_border);
    glass.outline = read_outline(reader, path, "the glass");
    return glass;
}

namespace {

using wide = __int128;

// One edge of the glass's outline, and the pixels of a row whose sample point
// lies less than `border` from it: the open capsule around the segment. The
// test is exact, on whole numbers: coordinates are 32-bit, so each product
// below stays far inside 128 bits.
class EdgeBand {
public:
    EdgeBand(screen_point p, screen_point q, std::int64_t border)
        : px_(p.x), py_(p.y), dx_(std::int64_t{q.x} - p.x), dy_(std::int64_t{q.y} - p.y), border_(border),
          length2_(wide{dx_} * dx_ + wide{dy_} * dy_) {}

    // The rows the band can reach: within border - 1 of the segment's rows.
    std::int64_t first_row() const { return std::min(py_, py_ + dy_) - border_ + 1; }
    std::int64_t last_row() const { return std::max(py_, py_ + dy_) + border_ - 1; }

    bool near(std::int64_t x, std::int64_t y) const {
        const std::int64_t u = x - px_, v = y - py_;
        const wide along = wide{dx_} * u + wide{dy_} * v;
        if (along <= 0) return closer_than_border(u, v);                    // nearest to p
        if (along >= length2_) return closer_than_border(u - dx_, v - dy_); // nearest to q
        // Nearest inside the segment: |cross| / length < border.
        const wide cross = wide{dx_} * v - wide{dy_} * u;
        const wide magnitude = cross < 0 ? -cross : cross;
        // border x length < 2^14 x 2^33; beyond this, far, and squaring could overflow.
        if (magnitude >= (wide{1} << 50)) return false;
        return magnitude * magnitude < wide{border_} * border_ * length2_;
    }

    // The x of row y nearest to the segment (along a row, the distance to it
    // is convex, least there): where the segment crosses the row, else the x
    // of its end nearest the row. Any of the least ones for a level segment.
    std::int64_t nearest_x(std::int64_t y) const {
        const std::int64_t qy = py_ + dy_;
        if (dy_ == 0) return px_;
        if (std::min(py_, qy) <= y && y <= std::max(py_, qy)) {
            // px + dx (y - py) / dy, rounded down: near() decides between the
            // neighbours, so only the row's least point needs to be close.
            const wide n = wide{dx_} * (y - py_);
            wide q = n / dy_;
            if ((n % dy_ != 0) && ((n < 0) != (dy_ < 0))) --q;
            return static_cast<std::int64_t>(px_ + q);
        }
        return std::abs(y - py_) < std::abs(y - qy) ? px_ : px_ + dx_;
    }

private:
    bool closer_than_border(std::int64_t a, std::int64_t b) const {
        if (a <= -border_ || a >= border_ || b <= -border_ || b >= border_) return false;
        return a * a + b * b < border_ * border_;
    }

    std::int64_t px_, py_, dx_, dy_, border_;
    wide length2_;
};

// The least x of [lo, hi] where `near` holds, which holds at hi and, by
// convexity, from that x on: searched outwards from `hint` in doubling
// steps, then by halving, so a hint a pixel or two off costs a few tests.
template <class Near>
std::int64_t first_near(std::int64_t lo, std::int64_t hi, std::int64_t hint, Near near) {
    hint = std::clamp(hint, lo, hi);
    std::int64_t a = lo, b = hi; // the answer lies in [a, b]; near(b)
    if (near(hint)) {
        b = hint;
        for (std::int64_t step = 1;; step *= 2) {
            if (b - step < lo) break;
            if (!near(b - step)) {
                a = b - step + 1;
                break;
            }
            b -= step;
        }
    } else {
        std::int64_t outside = hint;
        for (std::int64_t step = 1;; step *= 2) {
            if (outside + step >= hi) {
                a = outside + 1;
                break;
            }
            if (near(outside + step)) {
                a = outside + 1;
                b = outside + step;
                break;
            }
            outside += step;
        }
    }
    while (a < b) {
        const std::int64_t mid = a + (b - a) / 2;
        if (near(mid)) b = mid; else a = mid + 1;
    }
    return a;
}

// Clears from `counted` the pixels of row y whose sample point lies less than
// the border from `edge`. Those pixels are one run of the row (the band is
// convex), found from the row's nearest point outwards; `run` holds the
// previous row's run as the hint, and gets this row's.
void clear_band_row(const EdgeBand& edge, std::int64_t y, PixelMask& counted, std::int64_t run[2]) {
    const std::int64_t right_end = counted.width() - 1;
    const std::int64_t nearest = std::clamp<std::int64_t>(edge.nearest_x(y), 0, right_end);
    // Over the row's pixels the distance is convex and least at `nearest` (or
    // at its right neighbour, the true least lying between them).
    std::int64_t inside = nearest;
    if (!edge.near(inside, y)) {
        if (inside + 1 > right_end || !edge.near(inside + 1, y)) return;
        ++inside;
    }
    const auto near = [&](std::int64_t x) { return edge.near(x, y); };
    const auto near_mirrored = [&](std::int64_t x) { return edge.near(-x, y); };
    run[0] = first_near(0, inside, run[0], near);
    run[1] = -first_near(-right_end, -inside, -run[1], near_mirrored);
    counted.clear_span(static_cast<std::int32_t>(y), static_cast<std::int32_t>(run[0]),
                       static_cast<std::int32_t>(run[1] + 1));
}

} // namespace

GlassPixels glass_pixels(const Glass& glass, ClipArea picture) {
    GlassPixels pixels{PixelMask(picture.width, picture.height), PixelMask(picture.width, picture.height)};
    RasterScratch scratch;
    rasterize_polygon(glass.outline, picture, scratch, pixels.on_glass);
    pixels.counted.add(pixels.on_glass);
    if (glass.border == 0 || picture.width <= 0) return pixels; // every pixel is at least 0 px from the outline
    const std::size_t n = glass.outline.size();
    for (std::size_t i = 0; i < n; ++i) {
        const EdgeBand edge(glass.outline[i], glass.outline[(i + 1) % n], glass.border);
        const std::int64_t top = std::max<std::int64_t>(edge.first_row(), 0);
        const std::int64_t bottom = std::min<std::int64_t>(edge.last_row(), picture.height - 1);
        std::int64_t run[2] = {edge.nearest_x(top), edge.nearest_x(top)};
        for (std::int64_t y = top; y <= bottom; ++y) clear_band_row(edge, y, pixels.counted, run);
    }
    return pixels;
}

void count_on_glass(WipedField& field, const Glass& glass, GlassPixels pixels) {
    for (WipedField::PartField& part : field.parts) part.off_glass = part.pixels - part.mask.count_common(pixels.on_glass);
    field.zone_mask->clear();
    for (WipedField::ZoneShare& zone : field.zones) {
        zone.counted.keep_common(pixels.counted);
        zone.pixels = zone.counted.count();
        zone.wiped = zone.counted.count_common(*field.wiped_mask);
        field.zone_mask->add(zone.counted);
    }
    field.glass = WipedField::GlassArea{glass.name, glass.border, pixels.on_glass.count(), pixels.counted.count(),
                                        glass.outline, std::move(pixels)};
}

} // namespace wiper
