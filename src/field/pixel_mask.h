#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/rasterizer.h"

namespace wiper {

// One bit a pixel over a picture: which pixels a part has covered. At 8K a
// mask is 4 MB, where a frame surface is 99.5 MB, so every wiping part can
// have its own. Rows are whole 64-bit words; the bits past the width stay clear.
class PixelMask final : public SpanSink {
public:
    PixelMask(std::int32_t width, std::int32_t height);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    ClipArea clip_area() const { return ClipArea{width_, height_}; }

    // Sets the span's pixels, whatever its ink: a pixel that a polygon's fill
    // or its outline covers is covered. Inline, for the field's rasterizer
    // walks (imaging/raster_walk.h), which hand it most spans a pixel long.
    void span(Ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) override {
        for_span_words(y, x_begin, x_end, [](std::uint64_t& word, std::uint64_t bits) { word |= bits; });
    }

    bool test(std::int32_t x, std::int32_t y) const {
        return (row(y)[static_cast<std::size_t>(x) / 64] >> (static_cast<unsigned>(x) % 64)) & 1u;
    }
    void clear();
    std::uint64_t count() const;
    // Pixels set in both masks, which must have the same size.
    std::uint64_t count_common(const PixelMask& other) const;
    // This |= other, and the pixels that were already set in both go into `twice`.
    void add_counting_twice(const PixelMask& other, PixelMask& twice);
    // This |= other.
    void add(const PixelMask& other);
    // This &= other.
    void keep_common(const PixelMask& other);
    // Clears [x_begin, x_end) of row y, all inside the mask.
    void clear_span(std::int32_t y, std::int32_t x_begin, std::int32_t x_end);
    // This &= ~other.
    void remove(const PixelMask& other);

    const std::uint64_t* row(std::int32_t y) const { return words_.data() + static_cast<std::size_t>(y) * per_row_; }

private:
    std::uint64_t* row(std::int32_t y) { return words_.data() + static_cast<std::size_t>(y) * per_row_; }

    // Hands `apply` each word of [x_begin, x_end) of row y, all inside the
    // mask, with the bits of the span in it.
    template <class Apply>
    void for_span_words(std::int32_t y, std::int32_t x_begin, std::int32_t x_end, Apply apply) {
        std::uint64_t* words = row(y);
        const auto first = static_cast<std::size_t>(x_begin);
        const auto last = static_cast<std::size_t>(x_end) - 1; // inclusive
        const std::size_t w0 = first / 64, w1 = last / 64;
        const std::uint64_t head = ~std::uint64_t{0} << (first % 64);
        const std::uint64_t tail = ~std::uint64_t{0} >> (63 - last % 64);
        if (w0 == w1) {
            apply(words[w0], head & tail);
            return;
        }
        apply(words[w0], head);
        for (std::size_t w = w0 + 1; w < w1; ++w) apply(words[w], ~std::uint64_t{0});
        apply(words[w1], tail);
    }

    std::int32_t width_;
    std::int32_t height_;
    std::size_t per_row_; // words a row
    std::vector<std::uint64_t> words_;
};

// A mask written through the union of its spans row by row: each row keeps
// one interval while the spans that come overlap or touch it, and sets it in
// the mask only when one does not, or at the end. A part looked at hundreds of
// times a frame step sends each row nearly the same span every look, so the
// mask's rows are touched once instead of at every look. The pixels set are
// the union of the spans, as if each had been set at once.
class RowUnion final : public SpanSink {
public:
    RowUnion(std::int32_t width, std::int32_t height)
        : mask_(width, height), rows_(static_cast<std::size_t>(height)) {}

    void span(Ink ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) override {
        Interval& row = rows_[static_cast<std::size_t>(y)];
        if (row.begin < row.end && x_begin <= row.end && x_end >= row.begin) {
            row.begin = std::min(row.begin, x_begin);
            row.end = std::max(row.end, x_end);
            return;
        }
        if (row.begin < row.end) mask_.span(ink, y, row.begin, row.end);
        row = Interval{x_begin, x_end};
    }
    // The mask, with every span sent so far.
    PixelMask& mask() {
        for (std::size_t y = 0; y < rows_.size(); ++y) {
            Interval& row = rows_[y];
            if (row.begin < row.end) mask_.span(Ink::fill, static_cast<std::int32_t>(y), row.begin, row.end);
            row = Interval{};
        }
        return mask_;
    }

private:
    struct Interval {
        std::int32_t begin = 0, end = 0;
    };
    PixelMask mask_;
    std::vector<Interval> rows_;
};

} // namespace wiper
