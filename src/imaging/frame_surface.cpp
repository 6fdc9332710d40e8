#include "imaging/frame_surface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "common/failure.h"
#include "imaging/bmp_writer.h"

namespace wiper {

void FrameSurface::check_size(std::int32_t w, std::int32_t h) {
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    if (w < 1 || h < 1 || w > max_side || h > max_side)
        throw Failure(FailureKind::invalid_size, "the picture size " + size + " is outside 1 to 32767 pixels a side");
    if (static_cast<std::uint64_t>(bmp_stride(w)) * static_cast<std::uint64_t>(h) > max_pixel_bytes)
        throw Failure(FailureKind::invalid_size, "the picture size " + size + " takes more than 1 GiB");
}

void FrameSurface::set_size(std::int32_t w, std::int32_t h) {
    check_size(w, h);
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    const std::size_t stride = bmp_stride(w);
    const std::uint64_t total = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(h);
    // Left uninitialised on purpose: erasing to the background writes every byte once.
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[total]);
    if (!pixels) throw Failure(FailureKind::invalid_size, "no memory for a picture of " + size);
    pixels_ = std::move(pixels);
    uniform_known_ = false; // the new pixels hold nothing yet
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
    RowRange rows{0, height_ - 1};
    if (uniform_known_ && uniform_colour_ == c) rows = painted_;
    const std::size_t used = 3 * static_cast<std::size_t>(width_);
    for (std::int32_t y = rows.top; y <= rows.bottom; ++y) {
        fill_row(y, 0, width_, c);
        std::memset(row(y) + used, 0, stride_ - used); // padding stays zero: saved files are canonical
    }
    uniform_known_ = true;
    uniform_colour_ = c;
    painted_ = RowRange{};
    widen(changed_, 0, height_ - 1); // a save must write all of it
}

std::span<std::uint8_t> FrameSurface::bytes_for_overwrite() {
    uniform_known_ = false;
    return {pixels_.get(), byte_count()};
}

void FrameSurface::fill_row(std::int32_t y, std::int32_t x_begin, std::int32_t x_end, Colour c) {
    std::uint8_t* p = row(y) + 3 * static_cast<std::size_t>(x_begin);
    const std::size_t n = static_cast<std::size_t>(x_end - x_begin);
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

void FrameSurface::paint_span(std::int32_t y, std::int32_t x_begin, std::int32_t x_end, Colour c) {
    if (x_begin >= x_end) return;
    // Painting the uniform colour where the surface is known to be uniform changes nothing.
    if (uniform_known_ && c == uniform_colour_ && (y < painted_.top || y > painted_.bottom)) return;
    fill_row(y, x_begin, x_end, c);
    widen(changed_, y, y);
}

void FrameSurface::note_rows_changed(std::int32_t top, std::int32_t bottom) {
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    if (top > bottom) return;
    widen(changed_, top, bottom);
}

} // namespace wiper
