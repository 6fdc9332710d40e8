#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "imaging/colour.h"
#include "imaging/rasterizer.h"

namespace wiper {

// Rows of the surface that changed since the last save, inclusive, in device rows.
struct RowRange {
    std::int32_t top = 0;
    std::int32_t bottom = -1;
    bool empty() const { return top > bottom; }
};

// The raster every frame is composed on. Pixels are kept exactly as a 24-bit
// bottom-up BMP stores them (B, G, R, rows padded to 4 bytes, last device row
// first), so saving a frame is a header plus one write, and loading one of our
// own frame files is one read.
class FrameSurface final : public SpanSink {
public:
    static constexpr std::int32_t max_side = 32767;
    static constexpr std::uint64_t max_pixel_bytes = std::uint64_t{1} << 30;

    // Makes the surface w x h, erased to the background colour. Throws
    // invalid size for a side outside 1..32767, more than 1 GiB of pixels, or
    // memory that cannot be had.
    void set_size(std::int32_t w, std::int32_t h);
    // The checks of set_size alone, for a picture the size of the frames that
    // is not a surface: invalid size for a side outside 1..32767 or more than 1 GiB of pixels.
    static void check_size(std::int32_t w, std::int32_t h);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::size_t stride() const { return stride_; }

    // The whole pixel array in file order.
    std::span<const std::uint8_t> bytes() const { return {pixels_.get(), byte_count()}; }
    // The same, for a caller about to overwrite all of it (a frame file read in
    // one block): the surface stops assuming anything about its content.
    std::span<std::uint8_t> bytes_for_overwrite();
    std::size_t byte_count() const { return stride_ * static_cast<std::size_t>(height_); }

    // Device row y (0 is the top row): 3 bytes a pixel, B, G, R. Whoever writes
    // pixels through it, rather than through paint_span, must note the rows as changed.
    std::uint8_t* row(std::int32_t y) {
        widen(painted_, y, y);
        return pixels_.get() + row_offset(y);
    }
    const std::uint8_t* row(std::int32_t y) const { return pixels_.get() + row_offset(y); }
    std::size_t row_offset(std::int32_t y) const { return static_cast<std::size_t>(height_ - 1 - y) * stride_; }

    Colour pixel(std::int32_t x, std::int32_t y) const;

    // Setting the background erases the whole surface to it. Erasing a surface
    // that was uniform in the background colour but for a few painted rows
    // repaints only those rows: the first part clears every frame, and its
    // polygon covers a small part of it.
    void set_background(Colour c);
    void erase_to_background();
    void set_fill(Colour c) { fill_ = c; }
    void set_pen(Colour c) { pen_ = c; }
    Colour background() const { return background_; }
    Colour fill() const { return fill_; }
    Colour pen() const { return pen_; }

    // Paints pixels [x_begin, x_end) of row y and notes the row as changed.
    // The range must already lie on the surface.
    void paint_span(std::int32_t y, std::int32_t x_begin, std::int32_t x_end, Colour c);
    // What the rasterizer draws, in the fill or pen colour.
    void span(Ink ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) override {
        paint_span(y, x_begin, x_end, ink == Ink::fill ? fill_ : pen_);
    }
    ClipArea clip_area() const { return ClipArea{width_, height_}; }

    // Change tracking, so a save can write back only the rows a frame touched.
    void note_rows_changed(std::int32_t top, std::int32_t bottom);
    void note_all_changed() { note_rows_changed(0, height_ - 1); }
    // Changed rows are those a save must write; forgetting them (after a save
    // or a load) keeps what the surface knows of its own content.
    RowRange changed_rows() const { return changed_; }
    void forget_changes() { changed_ = RowRange{}; }

private:
    static void widen(RowRange& range, std::int32_t top, std::int32_t bottom) {
        if (range.empty()) {
            range = RowRange{top, bottom};
        } else {
            range.top = top < range.top ? top : range.top;
            range.bottom = bottom > range.bottom ? bottom : range.bottom;
        }
    }
    void fill_row(std::int32_t y, std::int32_t x_begin, std::int32_t x_end, Colour c);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::size_t stride_ = 0;
    std::unique_ptr<std::uint8_t[]> pixels_;
    Colour background_ = white;
    Colour fill_ = black;
    Colour pen_ = black;
    RowRange changed_;
    // The surface is uniform_colour_ outside painted_ while uniform_known_.
    // Every write goes through row(), which widens painted_.
    bool uniform_known_ = false;
    Colour uniform_colour_ = white;
    RowRange painted_;
};

} // namespace wiper
