#include "imaging/rasterizer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "imaging/raster_walk.h"

namespace wiper {

namespace {

using i64 = std::int64_t;
using raster_detail::draw_segment;
using raster_detail::fill_interior;

} // namespace

PointBox bounding_box(std::span<const screen_point> points) {
    PointBox b;
    if (points.empty()) return b;
    b = PointBox{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const screen_point& p : points) {
        b.x0 = std::min<i64>(b.x0, p.x);
        b.x1 = std::max<i64>(b.x1, p.x);
        b.y0 = std::min<i64>(b.y0, p.y);
        b.y1 = std::max<i64>(b.y1, p.y);
    }
    return b;
}

bool PointBox::meets(ClipArea clip, double margin) const {
    if (empty()) return false;
    const double m = std::min(margin, 1e12); // far beyond any coordinate, and never infinite
    return x0 - m < clip.width && x1 + m >= 0 && y0 - m < clip.height && y1 + m >= 0;
}

void rasterize_polygon(std::span<const screen_point> points, ClipArea clip, RasterScratch& scratch, SpanSink& sink) {
    if (points.size() < 2 || clip.width <= 0 || clip.height <= 0) return;
    const PointBox box = bounding_box(points);
    // Every fill and outline pixel lies inside the points' bounding box.
    if (!box.meets(clip)) return;
    // All points equal: no edge, no segment, nothing to draw.
    if (box.x0 == box.x1 && box.y0 == box.y1) return;

    fill_interior(points, clip, scratch, sink);
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) draw_segment(points[i], points[(i + 1) % n], clip, sink);
}

void rasterize_rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, ClipArea clip,
                         SpanSink& sink) {
    if (right <= left || bottom <= top) return;
    // Border positions and clipping in 64 bits, so no edge value can overflow.
    const i64 last_x = i64{right} - 1;
    const i64 last_y = i64{bottom} - 1;
    const i64 x0 = std::max<i64>(left, 0);
    const i64 x1 = std::min<i64>(right, clip.width);
    const i64 y0 = std::max<i64>(top, 0);
    const i64 y1 = std::min<i64>(bottom, clip.height);
    if (x0 >= x1 || y0 >= y1) return;

    const auto begin = static_cast<std::int32_t>(x0);
    const auto end = static_cast<std::int32_t>(x1);
    const bool left_visible = left >= 0;            // left < width since x0 < x1
    const bool right_visible = last_x < clip.width; // last_x >= 0 since x1 > 0
    for (i64 y = y0; y < y1; ++y) {
        const auto row = static_cast<std::int32_t>(y);
        if (y == top || y == last_y) {
            sink.span(Ink::pen, row, begin, end);
            continue;
        }
        sink.span(Ink::fill, row, begin, end);
        if (left_visible) sink.span(Ink::pen, row, left, left + 1);
        if (right_visible) {
            const auto x = static_cast<std::int32_t>(last_x);
            sink.span(Ink::pen, row, x, x + 1);
        }
    }
}

} // namespace wiper
