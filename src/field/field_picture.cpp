#include "field/field_picture.h"

#include <algorithm>
#include <bit>
#include <span>
#include <vector>

#include "imaging/bmp_frame_store.h"
#include "imaging/bmp_writer.h"

namespace wiper {

namespace {

// What the picture is called when it cannot be written.
constexpr FileDescription wiped_field_picture{"the wiped field's picture", "the wiped field's picture"};

// The spans of a polygon's outline, kept to be painted as their rows are
// made: a zone is marked by its edge, and what lies inside it keeps the
// colour of what was wiped there.
struct OutlineSpan {
    std::int32_t y, x_begin, x_end;
};
class OutlineSpans final : public SpanSink {
public:
    void span(Ink ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) override {
        if (ink == Ink::pen) spans_.push_back(OutlineSpan{y, x_begin, x_end});
    }
    // In row order, for rows asked for from the bottom up.
    void sort() {
        std::stable_sort(spans_.begin(), spans_.end(),
                         [](const OutlineSpan& a, const OutlineSpan& b) { return a.y < b.y; });
        next_ = spans_.size();
    }
    void paint(std::int32_t y, std::uint8_t* pixels, Colour colour) {
        while (next_ > 0 && spans_[next_ - 1].y > y) --next_;
        for (std::size_t i = next_; i > 0 && spans_[i - 1].y == y; --i) {
            const OutlineSpan& s = spans_[i - 1];
            fill_bmp_pixels(pixels + 3 * static_cast<std::size_t>(s.x_begin),
                            static_cast<std::size_t>(s.x_end - s.x_begin), colour);
        }
    }

private:
    std::vector<OutlineSpan> spans_;
    std::size_t next_ = 0;
};

// Paints the pixels of `word`, the 64 from x0, in `colour`, a run at a time.
void paint_word(std::uint64_t word, std::size_t x0, std::uint8_t* pixels, Colour colour) {
    while (word != 0) {
        const int from = std::countr_zero(word);
        const int run = std::countr_one(word >> from);
        fill_bmp_pixels(pixels + 3 * (x0 + static_cast<std::size_t>(from)), static_cast<std::size_t>(run), colour);
        word &= run == 64 ? 0 : ~(((std::uint64_t{1} << run) - 1) << from);
    }
}

// Of the counted pixels in row y, those with a neighbour (left, right, above,
// below) that is not counted, or that lies outside the picture: the inner
// edge of the area a zone counts in.
void paint_counted_edge(const PixelMask& counted, std::int32_t y, std::uint64_t last_word, std::uint8_t* pixels) {
    const std::int32_t height = counted.height();
    const std::size_t per_row = (static_cast<std::size_t>(counted.width()) + 63) / 64;
    // Word by word: a pixel's neighbours are its row's bits shifted by one and
    // the rows above and below; outside the picture (and past the width,
    // whose bits stay clear) nothing is counted.
    const std::uint64_t* c = counted.row(y);
    const std::uint64_t* up = y > 0 ? counted.row(y - 1) : nullptr;
    const std::uint64_t* down = y + 1 < height ? counted.row(y + 1) : nullptr;
    for (std::size_t i = 0; i < per_row; ++i) {
        if (c[i] == 0) continue;
        const std::uint64_t left = (c[i] << 1) | (i > 0 ? c[i - 1] >> 63 : 0);
        const std::uint64_t right = (c[i] >> 1) | (i + 1 < per_row ? c[i + 1] << 63 : 0);
        const std::uint64_t inner = left & right & (up ? up[i] : 0) & (down ? down[i] : 0);
        paint_word(c[i] & ~inner & (i + 1 < per_row ? ~std::uint64_t{0} : last_word), i * 64, pixels,
                   field_glass_edge);
    }
}

} // namespace

void save_field_picture(const WipedField& field, const std::vector<Zone>& zones, const std::string& path,
                        const Hooks& hooks) {
    StopClock stop_clock(hooks, field_stopped_message);
    const PixelMask& wiped = *field.wiped_mask;
    const PixelMask& twice = *field.twice_mask;
    const ClipArea picture = wiped.clip_area();
    const PixelMask& in_zone = *field.zone_mask;

    // The outlines go over the field: the glass's in grey (with the edge of
    // its counted area), the zones' in black over them.
    RasterScratch scratch;
    OutlineSpans glass_outline, zone_outlines;
    if (field.glass) rasterize_polygon(field.glass->outline, picture, scratch, glass_outline);
    for (const Zone& zone : zones) {
        stop_clock.poll();
        rasterize_polygon(zone.outline, picture, scratch, zone_outlines);
    }
    glass_outline.sort();
    zone_outlines.sort();

    const std::size_t per_row = (static_cast<std::size_t>(picture.width) + 63) / 64;
    const std::uint64_t last_word = ~std::uint64_t{0} >> ((64 - picture.width % 64) % 64);
    const BmpRowMaker make_row = [&](std::int32_t y, std::span<std::uint8_t> row) {
        std::uint8_t* pixels = row.data();
        fill_bmp_pixels(pixels, static_cast<std::size_t>(picture.width), field_unwiped);
        const std::uint64_t* t = twice.row(y);
        const std::uint64_t* w = wiped.row(y);
        const std::uint64_t* z = in_zone.row(y);
        for (std::size_t i = 0; i < per_row; ++i) {
            if ((t[i] | w[i] | z[i]) == 0) continue; // white, already there
            // The twice wiped are among the wiped. The bits past the width
            // stay clear; a row is never painted past it even so.
            const std::uint64_t on_row = i + 1 < per_row ? ~std::uint64_t{0} : last_word;
            paint_word(t[i] & on_row, i * 64, pixels, field_wiped_twice);
            paint_word(w[i] & ~t[i] & on_row, i * 64, pixels, field_wiped_once);
            paint_word(z[i] & ~w[i] & on_row, i * 64, pixels, field_zone_unwiped);
        }
        if (field.glass) {
            glass_outline.paint(y, pixels, field_glass_edge);
            paint_counted_edge(field.glass->masks.counted, y, last_word, pixels);
        }
        zone_outlines.paint(y, pixels, field_zone_outline);
    };
    save_bmp_rows(picture.width, picture.height, make_row, path, wiped_field_picture, stop_clock.between());
}

} // namespace wiper
