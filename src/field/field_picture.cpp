#include "field/field_picture.h"

#include <bit>
#include <utility>

#include "imaging/bmp_writer.h"
#include "imaging/file_io.h"
#include "imaging/frame_surface.h"

namespace wiper {

namespace {

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

std::string field_picture_name(const std::string& image_name) { return image_name + "_wiped.bmp"; }

void save_field_picture(const WipedField& field, const std::vector<Zone>& zones, const std::string& path) {
    const PixelMask& wiped = *field.wiped_mask;
    const PixelMask& twice = *field.twice_mask;
    const ClipArea picture = wiped.clip_area();
    PixelMask in_zone(picture.width, picture.height);
    RasterScratch scratch;
    for (const Zone& zone : zones) rasterize_polygon(zone.outline, picture, scratch, in_zone);

    FrameSurface surface; // starts white: only what is wiped or in a zone is painted
    surface.set_size(picture.width, picture.height);
    const std::size_t words = (static_cast<std::size_t>(picture.width) + 63) / 64;
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint64_t* w = wiped.row(y);
        const std::uint64_t* t = twice.row(y);
        const std::uint64_t* z = std::as_const(in_zone).row(y);
        for (std::size_t i = 0; i < words; ++i) {
            for (std::uint64_t bits = w[i] | z[i]; bits != 0; bits &= bits - 1) {
                const unsigned bit = static_cast<unsigned>(std::countr_zero(bits));
                const auto x = static_cast<std::int32_t>(i * 64 + bit);
                const std::uint64_t one = std::uint64_t{1} << bit;
                const Colour c = (t[i] & one)   ? field_wiped_twice
                                 : (w[i] & one) ? field_wiped_once
                                                : field_zone_unwiped;
                surface.paint_span(y, x, x + 1, c);
            }
        }
    }
    OutlineOnly outline(surface);
    for (const Zone& zone : zones) rasterize_polygon(zone.outline, picture, scratch, outline);
    replace_file(path, bmp_header(picture.width, picture.height), surface.bytes());
}

} // namespace wiper
