#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "common/screen_point.h"
#include "imaging/span_sink.h"

namespace wiper {

// The area spans are clipped to: columns 0..width-1, rows 0..height-1.
struct ClipArea {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

namespace raster_detail {
// One polygon edge being walked down its rows; see rasterizer.cpp.
struct Edge {
    std::int64_t q, f, dq, dr, dy;
    std::int32_t first_row, end_row;
};
} // namespace raster_detail

// The rasterizer's working lists. The caller keeps one and hands it to every
// call, so drawing a polygon allocates nothing once the lists have grown.
struct RasterScratch {
    std::vector<raster_detail::Edge> edges;
    std::vector<raster_detail::Edge> active;
    std::vector<std::int64_t> crossings;
};

// The smallest box that holds every point, inclusive: every pixel a polygon
// draws lies inside it. Empty for no point.
struct PointBox {
    std::int64_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool empty() const { return x1 < x0; }
    // Whether the box, grown by `margin` on every side, meets the clip area.
    bool meets(ClipArea clip, double margin = 0) const;
    bool overlaps(const PointBox& other) const {
        return !empty() && !other.empty() && x0 <= other.x1 && other.x0 <= x1 && y0 <= other.y1 && other.y0 <= y1;
    }
};
PointBox bounding_box(std::span<const screen_point> points);

// Filled closed polygon through all of `points` (the last joined back to the
// first): the interior by the even-odd rule as fill spans, row by row, then a
// 1-pixel outline as pen spans. Clipped to `clip`; any 32-bit coordinates are
// safe. Fewer than 2 points, or all points equal, draw nothing.
void rasterize_polygon(std::span<const screen_point> points, ClipArea clip, RasterScratch& scratch, SpanSink& sink);

// Filled rectangle over [left, right) x [top, bottom): the pixels on its
// border as pen spans, the rest as fill spans. Clipped to `clip`.
void rasterize_rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, ClipArea clip,
                         SpanSink& sink);

} // namespace wiper
