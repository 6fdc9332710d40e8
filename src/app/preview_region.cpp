#include "app/preview_region.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace wiper {

namespace {

std::uint32_t pack_pixel(const std::uint8_t* bgr) {
    return std::uint32_t{bgr[2]} << 16 | std::uint32_t{bgr[1]} << 8 | std::uint32_t{bgr[0]};
}

// One row of B, G, R bytes to 0x00RRGGBB words. On a little-endian machine the
// 4 bytes from a pixel's B are that word plus the next pixel's B on top, so
// each pixel is one load and a mask; the last pixel is built byte by byte, as
// its fourth byte may lie past the end of the storage.
void pack_row(const std::uint8_t* in, std::uint32_t* out, std::size_t count) {
    if (count == 0) return;
    if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t x = 0; x + 1 < count; ++x) {
            std::uint32_t v;
            std::memcpy(&v, in + 3 * x, sizeof v);
            out[x] = v & 0x00FFFFFFu;
        }
    } else {
        for (std::size_t x = 0; x + 1 < count; ++x) out[x] = pack_pixel(in + 3 * x);
    }
    out[count - 1] = pack_pixel(in + 3 * (count - 1));
}

} // namespace

PreviewRect visible_region(std::int32_t surface_width, std::int32_t surface_height) {
    return {0, 0, std::clamp(surface_width, 0, preview_width), std::clamp(surface_height, 0, preview_height)};
}

std::vector<PreviewRect> uncovered_regions(const PreviewRect& visible) {
    const std::int32_t w = std::clamp(visible.w, 0, preview_width);
    const std::int32_t h = std::clamp(visible.h, 0, preview_height);
    std::vector<PreviewRect> out;
    const PreviewRect right{w, 0, preview_width - w, h};
    const PreviewRect below{0, h, preview_width, preview_height - h};
    if (!right.empty()) out.push_back(right);
    if (!below.empty()) out.push_back(below);
    return out;
}

PreviewRect PreviewImage::take(const FrameSurface& surface) {
    const PreviewRect r = visible_region(surface.width(), surface.height());
    const bool resized = r.w != width_ || r.h != height_;
    width_ = r.w;
    height_ = r.h;
    // Sized once for the largest visible region, so a run never reallocates.
    const std::size_t most = static_cast<std::size_t>(preview_width) * static_cast<std::size_t>(preview_height);
    if (taken_.size() < 3 * most) taken_.resize(3 * most);
    if (words_.size() < most) words_.resize(most);

    const auto w = static_cast<std::size_t>(width_);
    const std::size_t row_bytes = 3 * w;
    std::int32_t top = height_;
    std::int32_t bottom = -1;
    for (std::int32_t y = 0; y < height_; ++y) {
        const std::uint8_t* in = surface.row(y);
        std::uint8_t* kept = taken_.data() + static_cast<std::size_t>(y) * row_bytes;
        if (!resized && std::memcmp(in, kept, row_bytes) == 0) continue;
        std::memcpy(kept, in, row_bytes);
        pack_row(kept, words_.data() + static_cast<std::size_t>(y) * w, w);
        top = std::min(top, y);
        bottom = y;
    }
    if (bottom < top) return {};
    return {0, top, width_, bottom - top + 1};
}

Colour PreviewImage::pixel(std::int32_t x, std::int32_t y) const {
    const std::uint32_t v = word(x, y);
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

bool preview_window_wanted(bool headless_option, const char* x11_display, const char* wayland_display) {
    if (headless_option) return false;
    const auto named = [](const char* s) { return s != nullptr && *s != '\0'; };
    return named(x11_display) || named(wayland_display);
}

} // namespace wiper
