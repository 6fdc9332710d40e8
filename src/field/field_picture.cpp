#include "field/field_picture.h"

#include <bit>
#include <vector>

#include "imaging/bmp_frame_store.h"
#include "imaging/frame_surface.h"

namespace wiper {

namespace {

// What the picture is called when it cannot be written.
constexpr FileDescription wiped_field_picture{"the wiped field's picture", "the wiped field's picture"};

// Paints only a polygon's outline: a zone is marked by its edge, and what lies
// inside it keeps the colour of what was wiped there.
class OutlineOnly final : public SpanSink {
public:
    OutlineOnly(FrameSurface& surface, Colour colour) : surface_(surface), colour_(colour) {}
    void span(Ink ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) override {
        if (ink == Ink::pen) surface_.paint_span(y, x_begin, x_end, colour_);
    }

private:
    FrameSurface& surface_;
    Colour colour_;
};

// The counted pixels with a neighbour (left, right, above, below) that is not
// counted, or that lies outside the picture: the inner edge of the area a
// zone counts in.
void paint_counted_edge(const PixelMask& counted, FrameSurface& surface, StopClock& stop_clock) {
    const std::int32_t height = counted.height();
    const std::size_t per_row = (static_cast<std::size_t>(counted.width()) + 63) / 64;
    // Word by word: a pixel's neighbours are its row's bits shifted by one and
    // the rows above and below; outside the picture (and past the width,
    // whose bits stay clear) nothing is counted.
    const std::vector<std::uint64_t> none(per_row, 0);
    for (std::int32_t y = 0; y < height; ++y) {
        stop_clock.poll();
        const std::uint64_t* c = counted.row(y);
        const std::uint64_t* up = y > 0 ? counted.row(y - 1) : none.data();
        const std::uint64_t* down = y + 1 < height ? counted.row(y + 1) : none.data();
        for (std::size_t i = 0; i < per_row; ++i) {
            if (c[i] == 0) continue;
            const std::uint64_t left = (c[i] << 1) | (i > 0 ? c[i - 1] >> 63 : 0);
            const std::uint64_t right = (c[i] >> 1) | (i + 1 < per_row ? c[i + 1] << 63 : 0);
            for (std::uint64_t edge = c[i] & ~(left & right & up[i] & down[i]); edge != 0; edge &= edge - 1) {
                const auto x = static_cast<std::int32_t>(i * 64 + static_cast<std::size_t>(std::countr_zero(edge)));
                surface.paint_span(y, x, x + 1, field_glass_edge);
            }
        }
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

    FrameSurface surface; // starts white: only what is wiped or in a zone is painted
    surface.set_size(picture.width, picture.height, "the wiped field's picture");
    for (std::int32_t y = 0; y < picture.height; ++y) {
        stop_clock.poll();
        // Each run of pixels of one colour is painted as one span; white is
        // already there.
        const auto colour_at = [&](std::int32_t x) {
            return twice.test(x, y) ? field_wiped_twice
                   : wiped.test(x, y) ? field_wiped_once
                   : in_zone.test(x, y) ? field_zone_unwiped
                                        : field_unwiped;
        };
        const std::uint64_t* w = wiped.row(y);
        const std::uint64_t* z = in_zone.row(y);
        for (std::int32_t x = 0; x < picture.width;) {
            const std::size_t word = static_cast<std::size_t>(x) / 64;
            if (x % 64 == 0 && (w[word] | z[word]) == 0) {
                x += 64;
                continue;
            }
            const Colour c = colour_at(x);
            std::int32_t end = x + 1;
            while (end < picture.width && colour_at(end) == c) ++end;
            if (c != field_unwiped) surface.paint_span(y, x, end, c);
            x = end;
        }
    }
    RasterScratch scratch;
    if (field.glass) {
        OutlineOnly glass_outline(surface, field_glass_edge);
        rasterize_polygon(field.glass->outline, picture, scratch, glass_outline);
        paint_counted_edge(field.glass->masks.counted, surface, stop_clock);
    }
    OutlineOnly outline(surface, field_zone_outline);
    for (const Zone& zone : zones) rasterize_polygon(zone.outline, picture, scratch, outline);
    save_bmp(surface, path, wiped_field_picture, stop_clock.between());
}

} // namespace wiper
