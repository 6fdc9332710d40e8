#include "field/field_picture.h"


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
    explicit OutlineOnly(FrameSurface& surface) : surface_(surface) {}
    void span(Ink ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) override {
        if (ink == Ink::pen) surface_.paint_span(y, x_begin, x_end, field_zone_outline);
    }

private:
    FrameSurface& surface_;
};

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
    OutlineOnly outline(surface);
    for (const Zone& zone : zones) rasterize_polygon(zone.outline, picture, scratch, outline);
    save_bmp(surface, path, wiped_field_picture, stop_clock.between());
}

} // namespace wiper
