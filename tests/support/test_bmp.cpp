#include "support/test_bmp.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "imaging/bmp_writer.h"

namespace wiper::test {

namespace {

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    put32(out, out.size() - 4, v);
}

// Scales an 8-bit level to the width of `mask` and places it there.
std::uint32_t pack_channel(std::uint8_t level, std::uint32_t mask) {
    if (mask == 0) return 0;
    const unsigned shift = static_cast<unsigned>(std::countr_zero(mask));
    const std::uint64_t max = mask >> shift;
    return static_cast<std::uint32_t>(((level * max + 127) / 255) << shift) & mask;
}

std::array<std::uint32_t, 3> colour_masks(const BmpPicture& p) {
    if (p.compression == bmp_bitfields || p.compression == bmp_alphabitfields)
        return {p.masks[0], p.masks[1], p.masks[2]};
    if (p.bits == 16) return {0x7c00, 0x03e0, 0x001f};
    return {0x00ff0000, 0x0000ff00, 0x000000ff};
}

} // namespace

std::vector<std::uint8_t> make_bmp(const BmpPicture& p) {
    if (p.width < 0 || p.height < 0) throw std::invalid_argument("make_bmp: negative size; use the field knobs");
    const std::size_t count = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
    const bool use_raw = !p.raw.empty();
    if (use_raw ? p.raw.size() != count : p.pixels.size() != count)
        throw std::invalid_argument("make_bmp: the pixel count does not match width x height");
    const bool core = p.header_size == 12;
    const bool paletted = p.bits <= 8;

    std::vector<Colour> palette = p.palette;
    if (paletted && palette.empty() && !use_raw)
        for (const Colour& c : p.pixels)
            if (std::find(palette.begin(), palette.end(), c) == palette.end()) palette.push_back(c);

    // The stored value of every pixel, file order aside.
    std::vector<std::uint32_t> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (use_raw) {
            values[i] = p.raw[i];
        } else if (paletted) {
            const auto at = std::find(palette.begin(), palette.end(), p.pixels[i]);
            if (at == palette.end()) throw std::invalid_argument("make_bmp: a colour is missing from the palette");
            values[i] = static_cast<std::uint32_t>(at - palette.begin());
        } else if (p.bits == 24) {
            const Colour c = p.pixels[i];
            values[i] = static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
        } else {
            const auto m = colour_masks(p);
            const Colour c = p.pixels[i];
            values[i] = pack_channel(c.r, m[0]) | pack_channel(c.g, m[1]) | pack_channel(c.b, m[2]);
        }
    }

    const std::size_t row_bits = static_cast<std::size_t>(p.width) * p.bits;
    const std::size_t stride = (row_bits + 31) / 32 * 4;
    const std::size_t image_bytes = stride * static_cast<std::size_t>(p.height);

    std::vector<std::uint8_t> out(14 + p.header_size, 0);
    out[0] = p.signature.size() > 0 ? static_cast<std::uint8_t>(p.signature[0]) : 0;
    out[1] = p.signature.size() > 1 ? static_cast<std::uint8_t>(p.signature[1]) : 0;
    put32(out, 14, p.header_size_field.value_or(p.header_size));
    const std::int32_t height_stored = p.height_field.value_or(p.top_down ? -p.height : p.height);
    const std::int32_t width_stored = p.width_field.value_or(p.width);
    const std::uint16_t planes = p.planes_field.value_or(1);
    const std::uint16_t bits = p.bits_field.value_or(p.bits);
    if (core) {
        put16(out, 18, static_cast<std::uint32_t>(width_stored));
        put16(out, 20, static_cast<std::uint32_t>(height_stored));
        put16(out, 22, planes);
        put16(out, 24, bits);
    } else {
        put32(out, 18, static_cast<std::uint32_t>(width_stored));
        put32(out, 22, static_cast<std::uint32_t>(height_stored));
        put16(out, 26, planes);
        put16(out, 28, bits);
        put32(out, 30, p.compression);
        put32(out, 34, static_cast<std::uint32_t>(image_bytes));
        put32(out, 38, 2835);
        put32(out, 42, 2835);
        put32(out, 46, p.colours_used.value_or(paletted ? static_cast<std::uint32_t>(palette.size()) : 0));
        if (p.header_size >= 52) {
            put32(out, 54, p.masks[0]);
            put32(out, 58, p.masks[1]);
            put32(out, 62, p.masks[2]);
        }
        if (p.header_size >= 56) put32(out, 66, p.masks[3]);
        if (p.header_size >= 108) put32(out, 70, 0x73524742); // colour space: sRGB
        if (p.header_size >= 124) put32(out, 122, 4);         // rendering intent: perceptual
    }
    if (p.header_size == 40 && p.compression == bmp_bitfields)
        for (int i = 0; i < 3; ++i) append32(out, p.masks[i]);
    if (p.header_size == 40 && p.compression == bmp_alphabitfields)
        for (int i = 0; i < 4; ++i) append32(out, p.masks[i]);

    const std::size_t entries =
        p.palette_entries_written.value_or(core && paletted ? (1u << p.bits) : palette.size());
    for (std::size_t i = 0; i < entries; ++i) {
        const Colour c = i < palette.size() ? palette[i] : Colour{};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        if (!core) out.push_back(0);
    }
    out.insert(out.end(), p.gap_before_pixels, p.padding_byte);
    put32(out, 10, p.pixel_offset_field.value_or(static_cast<std::uint32_t>(out.size())));

    for (std::int32_t i = 0; i < p.height; ++i) {
        const std::int32_t y = p.top_down ? i : p.height - 1 - i;
        std::vector<std::uint8_t> row(stride, 0);
        for (std::int32_t x = 0; x < p.width; ++x) {
            const std::uint32_t v = values[static_cast<std::size_t>(y) * p.width + x];
            const std::size_t bit = static_cast<std::size_t>(x) * p.bits;
            if (paletted) {
                row[bit / 8] |= static_cast<std::uint8_t>((v & ((1u << p.bits) - 1)) << (8 - p.bits - bit % 8));
            } else {
                for (unsigned b = 0; b < p.bits / 8u; ++b) row[bit / 8 + b] = static_cast<std::uint8_t>(v >> (8 * b));
            }
        }
        // Row padding, and the unused low bits of a partly filled last byte.
        for (std::size_t bit = row_bits; bit < stride * 8; ++bit)
            if (p.padding_byte & (0x80 >> (bit % 8))) row[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    put32(out, 2, p.file_size_field.value_or(static_cast<std::uint32_t>(out.size())));
    out.resize(out.size() - std::min(p.cut_bytes, out.size()));
    return out;
}

std::vector<std::uint8_t> encode_surface(const FrameSurface& surface) {
    const auto header = bmp_header(surface.width(), surface.height());
    const auto pixels = surface.bytes();
    std::vector<std::uint8_t> out(header.size() + pixels.size());
    std::copy(header.begin(), header.end(), out.begin());
    std::copy(pixels.begin(), pixels.end(), out.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return out;
}

} // namespace wiper::test
