#pragma once
#include <cstdint>

namespace wiper {

// Which colour of the drawing a span is painted in: the interior's fill or the
// 1-pixel outline's pen. The pen is laid over the fill, so a sink that tells
// them apart must keep that order, which the rasterizer emits them in.
enum class Ink { fill, pen };

// Where the rasterizer sends what it draws: pixels [x_begin, x_end) of row y,
// always on the clip area (0 <= y < height, 0 <= x_begin < x_end <= width).
// A frame surface paints them, a field mask sets their bits, a span list keeps
// them for the touch check: one drawing rule for all three.
class SpanSink {
public:
    virtual void span(Ink ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) = 0;

protected:
    ~SpanSink() = default;
};

} // namespace wiper
