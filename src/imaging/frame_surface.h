#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/colour.h"
#include "imaging/rasterizer.h"

namespace wiper {

// Rows of the surface, inclusive, in device rows.
struct RowRange {
    std::int32_t top = 0;
    std::int32_t bottom = -1;
    bool empty() const { return top > bottom; }
};

// Bytes [begin, end) of one stored row, counted from the row's first byte.
struct RowSpan {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    bool empty() const { return begin >= end; }
};

// The raster every frame is composed on. Pixels are kept exactly as a 24-bit
// bottom-up BMP stores them (B, G, R, rows padded to 4 bytes, last device row
// first): bytes() is a frame file's content after its header. This is the one
// contract between the surface and the frame files, and BmpFrameStore is what
// relies on it: saving a frame is a header plus one write, and loading one of
// our own frame files is one read.
//
// Every write to the pixels passes through the surface itself (paint_span,
// erase_to_background, or one of the *_for_write spans handed to a reader),
// which keeps two records of it: the bytes of each row changed since the
// frame file last matched the surface, so a save can write back only those;
// and what was painted since the surface was last one colour, so erasing it
// again repaints only that.
class FrameSurface final : public SpanSink {
public:
    static constexpr std::int32_t max_side = 32767;
    static constexpr std::uint64_t max_pixel_bytes = std::uint64_t{1} << 30;

    // Makes the surface w x h, erased to the background colour. Throws
    // invalid size for a side outside 1..32767 or more than 1 GiB of pixels,
    // and out of memory, naming the surface as `what`, when its pixels cannot be had.
    void set_size(std::int32_t w, std::int32_t h, const char* what = "the frame");
    // The checks of set_size alone, for a picture the size of the frames that
    // is not a surface: invalid size for a side outside 1..32767 or more than 1 GiB of pixels.
    static void check_size(std::int32_t w, std::int32_t h);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::size_t stride() const { return stride_; }

    // The whole pixel array in file order.
    std::span<const std::uint8_t> bytes() const { return {pixels_.get(), byte_count()}; }
    std::size_t byte_count() const { return stride_ * static_cast<std::size_t>(height_); }

    // Device row y (0 is the top row): 3 bytes a pixel, B, G, R, then the padding.
    const std::uint8_t* row(std::int32_t y) const { return pixels_.get() + row_offset(y); }
    std::size_t row_offset(std::int32_t y) const { return static_cast<std::size_t>(height_ - 1 - y) * stride_; }

    // For a caller about to write pixels itself (a picture being read):
    // bytes [begin, end) of device row y, noted as changed before they are handed out.
    std::span<std::uint8_t> row_for_write(std::int32_t y, std::size_t begin, std::size_t end);
    // Device rows top..bottom whole, noted as changed. Stored bottom-up, they
    // form one block that starts with row bottom.
    std::span<std::uint8_t> rows_for_write(std::int32_t top, std::int32_t bottom);
    // The whole pixel array, for a caller about to overwrite all of it.
    std::span<std::uint8_t> bytes_for_overwrite() { return rows_for_write(0, height_ - 1); }

    Colour pixel(std::int32_t x, std::int32_t y) const;

    // Setting the background erases the whole surface to it. Erasing a surface
    // that was uniform in the background colour but for a few painted spans
    // repaints only those: the first part clears every frame, and its polygon
    // covers a small part of it.
    void set_background(Colour c);
    void erase_to_background();
    void set_fill(Colour c) { fill_ = c; }
    void set_pen(Colour c) { pen_ = c; }
    Colour background() const { return background_; }
    Colour fill() const { return fill_; }
    Colour pen() const { return pen_; }

    // Paints pixels [x_begin, x_end) of row y and notes them as changed.
    // The range must already lie on the surface.
    void paint_span(std::int32_t y, std::int32_t x_begin, std::int32_t x_end, Colour c);
    // What the rasterizer draws, in the fill or pen colour.
    void span(Ink ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) override {
        paint_span(y, x_begin, x_end, ink == Ink::fill ? fill_ : pen_);
    }
    ClipArea clip_area() const { return ClipArea{width_, height_}; }

    // What a save must write: the rows holding a change, and the bytes of row
    // y that changed (empty where none did). Forgetting them (after a save, or
    // once the surface holds what its frame file holds) keeps what the surface
    // knows of its own content.
    RowRange changed_rows() const { return changed_rows_; }
    RowSpan changed_span(std::int32_t y) const { return changed_[static_cast<std::size_t>(y)]; }
    void forget_changes();

private:
    // A span painted since the surface was last uniform, for the next erase.
    struct Painted {
        std::int32_t y;
        std::uint32_t begin, end;
    };

    static void widen(RowRange& range, std::int32_t top, std::int32_t bottom) {
        if (range.empty()) {
            range = RowRange{top, bottom};
        } else {
            range.top = top < range.top ? top : range.top;
            range.bottom = bottom > range.bottom ? bottom : range.bottom;
        }
    }
    // The one place that records a write: bytes [begin, end) of row y.
    void note_write(std::int32_t y, std::size_t begin, std::size_t end);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::size_t stride_ = 0;
    std::unique_ptr<std::uint8_t[]> pixels_;
    Colour background_ = white;
    Colour fill_ = black;
    Colour pen_ = black;
    std::vector<RowSpan> changed_; // one a row
    RowRange changed_rows_;
    // The surface is uniform_colour_ outside painted_spans_, and outside the
    // rows of painted_, while uniform_known_. Past painted_limit_ spans the
    // list is dropped and the next erase repaints everything.
    bool uniform_known_ = false;
    Colour uniform_colour_ = white;
    RowRange painted_;
    std::vector<Painted> painted_spans_;
    std::size_t painted_limit_ = 0;
    bool painted_overflow_ = false;
};

} // namespace wiper
