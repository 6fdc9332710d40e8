#include "imaging/bmp_writer.h"

namespace wiper {

namespace {
void put_le(std::uint8_t* at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
} // namespace

std::size_t bmp_stride(std::int32_t w) { return (3 * static_cast<std::size_t>(w) + 3) & ~std::size_t{3}; }

std::array<std::uint8_t, bmp_header_size> bmp_header(std::int32_t w, std::int32_t h) {
    // The surface caps pixels at 1 GiB, so every size fits its 32-bit field.
    const auto image_bytes = static_cast<std::uint32_t>(bmp_stride(w) * static_cast<std::size_t>(h));
    std::array<std::uint8_t, bmp_header_size> hd{};
    hd[0] = 'B';
    hd[1] = 'M';
    put_le(&hd[2], static_cast<std::uint32_t>(bmp_header_size) + image_bytes, 4); // file size
    put_le(&hd[10], bmp_header_size, 4);                                          // pixel offset
    put_le(&hd[14], 40, 4);                                                       // info header size
    put_le(&hd[18], static_cast<std::uint32_t>(w), 4);
    put_le(&hd[22], static_cast<std::uint32_t>(h), 4); // positive: rows bottom-up
    put_le(&hd[26], 1, 2);                             // planes
    put_le(&hd[28], 24, 2);                            // bits per pixel
    put_le(&hd[30], 0, 4);                             // BI_RGB
    put_le(&hd[34], image_bytes, 4);
    put_le(&hd[38], 2835, 4); // 72 dpi
    put_le(&hd[42], 2835, 4);
    return hd;
}

} // namespace wiper
