#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace wiper {

inline constexpr std::size_t bmp_header_size = 54; // 14-byte file header + 40-byte info header

// Bytes in one 24-bit row of width w, padded to a multiple of 4. w must be 1..32767.
std::size_t bmp_stride(std::int32_t w);

// The 54-byte header of a 24-bit BI_RGB bottom-up BMP of w x h pixels, all size
// fields filled in, 2835 pixels per metre. The surface's pixel bytes follow it.
std::array<std::uint8_t, bmp_header_size> bmp_header(std::int32_t w, std::int32_t h);

} // namespace wiper
