#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imaging/colour.h"

namespace wiper {

inline constexpr std::size_t bmp_header_size = 54; // 14-byte file header + 40-byte info header

// Bytes in one 24-bit row of width w, padded to a multiple of 4. w must be 1..32767.
std::size_t bmp_stride(std::int32_t w);

// The 54-byte header of a 24-bit BI_RGB bottom-up BMP of w x h pixels, all size
// fields filled in, 2835 pixels per metre. The surface's pixel bytes follow it.
std::array<std::uint8_t, bmp_header_size> bmp_header(std::int32_t w, std::int32_t h);

// Paints n pixels from p in colour c, 3 bytes a pixel in a BMP row's order
// (blue, green, red).
// Inline: the frames paint every span through it.
inline void fill_bmp_pixels(std::uint8_t* p, std::size_t n, Colour c) {
    if (c.r == c.g && c.g == c.b) {
        std::memset(p, c.r, 3 * n); // grey levels, black and white among them, are one byte repeated
        return;
    }
    for (std::size_t i = 0; i < n; ++i, p += 3) {
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
}

} // namespace wiper
