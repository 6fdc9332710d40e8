#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/colour.h"
#include "imaging/frame_surface.h"

namespace wiper::test {

// Compression codes of the BMP header.
inline constexpr std::uint32_t bmp_rgb = 0;
inline constexpr std::uint32_t bmp_rle8 = 1;
inline constexpr std::uint32_t bmp_rle4 = 2;
inline constexpr std::uint32_t bmp_bitfields = 3;
inline constexpr std::uint32_t bmp_jpeg = 4;
inline constexpr std::uint32_t bmp_png = 5;
inline constexpr std::uint32_t bmp_alphabitfields = 6;

// A BMP file to be made in memory: any header kind and pixel format, valid or
// deliberately broken through the knobs at the end.
struct BmpPicture {
    std::int32_t width = 1;
    std::int32_t height = 1;
    // Row by row, top row first, width * height of them.
    std::vector<Colour> pixels;
    // Stored values written as they are instead of `pixels`: palette indices
    // for 1, 4 and 8 bits, pixel words for 16 and 32 bits.
    std::vector<std::uint32_t> raw;
    std::uint16_t bits = 24;
    // 12 (core), 40, 52, 56, 108 (V4) or 124 (V5): the header laid out.
    std::uint32_t header_size = 40;
    std::uint32_t compression = bmp_rgb;
    // Red, green, blue, alpha. Written into headers of 52 bytes and more, and
    // after a 40-byte header when the compression is bit fields. Colours are
    // packed through them for bit-field compression.
    std::array<std::uint32_t, 4> masks{};
    // Written after the headers when not empty. For 1, 4 and 8 bits an empty
    // palette is made of the distinct colours of `pixels`, in order of appearance.
    std::vector<Colour> palette;
    bool top_down = false;
    // The colours-used field; by default the palette size for 1, 4 and 8 bits, else 0.
    std::optional<std::uint32_t> colours_used;

    // Knobs for broken or unusual files.
    std::string signature = "BM";
    std::optional<std::uint32_t> header_size_field;
    std::optional<std::int32_t> width_field;  // stored as is (16 bits for a core header)
    std::optional<std::int32_t> height_field; // stored as is, sign included
    std::optional<std::uint16_t> planes_field;
    std::optional<std::uint16_t> bits_field;
    std::optional<std::uint32_t> file_size_field;
    std::optional<std::uint32_t> pixel_offset_field;
    std::uint32_t gap_before_pixels = 0;                   // unused bytes between palette and pixels
    std::optional<std::uint32_t> palette_entries_written; // default: the palette, padded to 2^bits for a core header
    std::uint8_t padding_byte = 0;                         // fills row padding and gaps
    std::size_t cut_bytes = 0;                             // removed from the end of the file
};

// The file's bytes. Throws std::invalid_argument for a picture that cannot be
// expressed (a colour missing from the palette, too few pixels, ...).
std::vector<std::uint8_t> make_bmp(const BmpPicture& picture);

// `p` as `change` leaves it: a picture's one odd field, written inline.
template <typename F>
BmpPicture with(BmpPicture p, F change) {
    change(p);
    return p;
}

// The surface as our writer saves it: bmp_header(w, h) followed by its bytes.
std::vector<std::uint8_t> encode_surface(const FrameSurface& surface);

// The surface's pixels, row by row from the top.
inline std::vector<Colour> pixels_of(const FrameSurface& s) {
    std::vector<Colour> out;
    for (std::int32_t y = 0; y < s.height(); ++y)
        for (std::int32_t x = 0; x < s.width(); ++x) out.push_back(s.pixel(x, y));
    return out;
}

} // namespace wiper::test
