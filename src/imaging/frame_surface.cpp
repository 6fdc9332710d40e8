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

void FrameSurface::set_size(std::int32_t w, std::int32_t h, const char* what) {
    check_size(w, h);
    const std::size_t stride = bmp_stride(w);
    const std::uint64_t total = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(h);
    // Left uninitialised on purpose: erasing to the background writes every byte once.
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[total]);
    if (!pixels)
        throw Failure(FailureKind::out_of_memory, std::string(what) + " of " + std::to_string(w) + " x " +
                                                      std::to_string(h) + " pixels needs " + std::to_string(total) +
                                                      " bytes");
    pixels_ = std::move(pixels);
    uniform_known_ = false; // the new pixels hold nothing yet
    width_ = w;
    height_ = h;
    stride_ = stride;
    changed_.assign(static_cast<std::size_t>(h), RowSpan{});
    changed_rows_ = RowRange{};
    // A polygon crosses a row a few times; a picture hands out whole rows.
    painted_limit_ = 16 * static_cast<std::size_t>(h) + 1024;
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
    const std::size_t used = 3 * static_cast<std::size_t>(width_);
    if (uniform_known_ && uniform_colour_ == c && !painted_overflow_) {
        for (const Painted& s : painted_spans_) {
            std::uint8_t* r = pixels_.get() + row_offset(s.y);
            // Whole pixels in the colour, the padding back to zero.
            const std::size_t begin = s.begin / 3 * 3;
            const std::size_t end = std::min<std::size_t>((s.end + 2) / 3 * 3, used);
            if (begin < end) fill_bmp_pixels(r + begin, (end - begin) / 3, c);
            if (s.end > used) {
                const std::size_t pad = std::max<std::size_t>(s.begin, used);
                std::memset(r + pad, 0, s.end - pad);
            }
        }
    } else {
        for (std::int32_t y = 0; y < height_; ++y) {
            std::uint8_t* r = pixels_.get() + row_offset(y);
            fill_bmp_pixels(r, static_cast<std::size_t>(width_), c);
            std::memset(r + used, 0, stride_ - used); // padding stays zero: saved files are canonical
        }
    }
    uniform_known_ = true;
    uniform_colour_ = c;
    painted_ = RowRange{};
    painted_spans_.clear();
    painted_overflow_ = false;
    // A save must write all of it.
    std::fill(changed_.begin(), changed_.end(), RowSpan{0, static_cast<std::uint32_t>(stride_)});
    changed_rows_ = RowRange{0, height_ - 1};
}

void FrameSurface::note_write(std::int32_t y, std::size_t begin, std::size_t end) {
    const auto b = static_cast<std::uint32_t>(begin);
    const auto e = static_cast<std::uint32_t>(end);
    RowSpan& changed = changed_[static_cast<std::size_t>(y)];
    if (changed.empty()) {
        changed = RowSpan{b, e};
        widen(changed_rows_, y, y);
    } else {
        changed.begin = std::min(changed.begin, b);
        changed.end = std::max(changed.end, e);
    }
    widen(painted_, y, y);
    if (!uniform_known_ || painted_overflow_) return;
    if (!painted_spans_.empty()) {
        Painted& last = painted_spans_.back();
        if (last.y == y && b <= last.end && e >= last.begin) { // overlapping or touching: one span
            last.begin = std::min(last.begin, b);
            last.end = std::max(last.end, e);
            return;
        }
    }
    if (painted_spans_.size() == painted_limit_) {
        painted_overflow_ = true;
        painted_spans_.clear();
        return;
    }
    painted_spans_.push_back(Painted{y, b, e});
}

std::span<std::uint8_t> FrameSurface::row_for_write(std::int32_t y, std::size_t begin, std::size_t end) {
    if (begin < end) note_write(y, begin, end);
    return {pixels_.get() + row_offset(y) + begin, end - begin};
}

std::span<std::uint8_t> FrameSurface::rows_for_write(std::int32_t top, std::int32_t bottom) {
    for (std::int32_t y = top; y <= bottom; ++y) note_write(y, 0, stride_);
    const std::size_t rows = static_cast<std::size_t>(bottom - top + 1);
    return {pixels_.get() + row_offset(bottom), rows * stride_};
}

void FrameSurface::paint_span(std::int32_t y, std::int32_t x_begin, std::int32_t x_end, Colour c) {
    if (x_begin >= x_end) return;
    // Painting the uniform colour where the surface is known to be uniform changes nothing.
    if (uniform_known_ && c == uniform_colour_ && (y < painted_.top || y > painted_.bottom)) return;
    const std::span<std::uint8_t> bytes =
        row_for_write(y, 3 * static_cast<std::size_t>(x_begin), 3 * static_cast<std::size_t>(x_end));
    fill_bmp_pixels(bytes.data(), static_cast<std::size_t>(x_end - x_begin), c);
}

void FrameSurface::forget_changes() {
    for (std::int32_t y = changed_rows_.top; y <= changed_rows_.bottom; ++y) changed_[static_cast<std::size_t>(y)] = {};
    changed_rows_ = RowRange{};
}

} // namespace wiper
