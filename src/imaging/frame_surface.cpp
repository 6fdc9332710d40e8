#include "imaging/frame_surface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "common/failure.h"
#include "imaging/bmp_writer.h"

namespace wiper {

void FrameSurface::set_size(std::int32_t w, std::int32_t h) {
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    if (w < 1 || h < 1 || w > max_side || h > max_side)
        throw Failure(FailureKind::invalid_size, "the picture size " + size + " is outside 1 to 32767 pixels a side");
    const std::size_t stride = bmp_stride(w);
    const std::uint64_t total = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(h);
    if (total > max_pixel_bytes)
        throw Failure(FailureKind::invalid_size, "the picture size " + size + " takes more than 1 GiB");
    // Left uninitialised on purpose: erasing to the background writes every byte once.
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[total]);
    if (!pixels) throw Failure(FailureKind::invalid_size, "no memory for a picture of " + size);
    pixels_ = std::move(pixels);
    width_ = w;
    height_ = h;
    stride_ = stride;
    erase_to_background();
}

Colour FrameSurface::pixel(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x);
    return Colour{p[2], p[1], p[0]};
}

void FrameSurface::set_background(Colour c) {
    background_ = c;
    erase_to_background();
}

void FrameSurface::erase_to_background() {
    if (!pixels_) return;
    const Colour c = background_;
    if (c.r == c.g && c.g == c.b) {
        // Grey levels (black and white among them) are one byte repeated; the
        // row padding is zeroed afterwards so saved files stay canonical.
        std::memset(pixels_.get(), c.r, byte_count());
        const std::size_t used = 3 * static_cast<std::size_t>(width_);
        if (used != stride_)
            for (std::int32_t y = 0; y < height_; ++y) std::memset(row(y) + used, 0, stride_ - used);
    } else {
        for (std::int32_t y = 0; y < height_; ++y) {
            std::memset(row(y), 0, stride_);
            paint_span(y, 0, width_, c);
        }
    }
    note_all_changed();
}

void FrameSurface::paint_span(std::int32_t y, std::int32_t x_begin, std::int32_t x_end, Colour c) {
    if (x_begin >= x_end) return;
    std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x_begin);
    const std::size_t n = static_cast<std::size_t>(x_end - x_begin);
    if (c.r == c.g && c.g == c.b) {
        std::memset(p, c.r, 3 * n);
        return;
    }
    for (std::size_t i = 0; i < n; ++i, p += 3) {
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
}

void FrameSurface::note_rows_changed(std::int32_t top, std::int32_t bottom) {
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    if (top > bottom) return;
    if (changed_.empty()) {
        changed_ = RowRange{top, bottom};
    } else {
        changed_.top = std::min(changed_.top, top);
        changed_.bottom = std::max(changed_.bottom, bottom);
    }
}

} // namespace wiper
