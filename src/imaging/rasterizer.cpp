#include "imaging/rasterizer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace wiper {

namespace {

using i64 = std::int64_t;
using i128 = __int128;

// Floor of n / d for d > 0. Built-in division truncates towards zero.
i128 floor_div(i128 n, i128 d) {
    i128 q = n / d;
    if ((n % d) != 0 && n < 0) --q;
    return q;
}

// One non-horizontal polygon edge, walked down the rows it crosses. Its exact
// crossing x on the current row is q + f / dy with 0 <= f < dy, so stepping a
// row is integer addition and the ceiling is q + (f > 0): no rounding drift
// however long the edge is.
struct Edge {
    i64 q;        // floor of the crossing on the current row
    i64 f;        // remainder over dy, 0 <= f < dy
    i64 dq;       // floor(dx / dy)
    i64 dr;       // dx - dq * dy, 0 <= dr < dy
    i64 dy;       // > 0
    std::int32_t first_row; // first row, already clipped to the surface
    std::int32_t end_row;   // one past the last row, clipped to the surface

    i64 ceiling() const { return q + (f > 0 ? 1 : 0); }
    void step() {
        q += dq;
        f += dr;
        if (f >= dy) {
            f -= dy;
            ++q;
        }
    }
};

// The edge table and its working lists. A polygon has at most 101 points, so
// the few allocations a call makes are nothing beside the frame's file traffic.
struct Scratch {
    std::vector<Edge> edges;
    std::vector<Edge> active;
    std::vector<i64> crossings;
};

void fill_interior(FrameSurface& surface, std::span<const screen_point> points) {
    const i64 width = surface.width();
    const i64 height = surface.height();
    const Colour fill = surface.fill();

    Scratch s;
    s.edges.reserve(points.size());

    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        screen_point a = points[i];
        screen_point b = points[(i + 1) % n];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        // The edge covers rows a.y <= y < b.y; only the part on the surface matters.
        const i64 first = std::max<i64>(a.y, 0);
        const i64 end = std::min<i64>(b.y, height);
        if (first >= end) continue;

        const i64 dx = i64{b.x} - a.x;
        const i64 dy = i64{b.y} - a.y;
        // Start directly on the first visible row: (first - a.y) * dx reaches 2^64.
        const i128 num = static_cast<i128>(first - a.y) * dx;
        const i128 whole = floor_div(num, dy);
        Edge e{};
        e.q = static_cast<i64>(whole) + a.x;
        e.f = static_cast<i64>(num - whole * dy);
        e.dq = static_cast<i64>(floor_div(dx, dy));
        e.dr = dx - e.dq * dy;
        e.dy = dy;
        e.first_row = static_cast<std::int32_t>(first);
        e.end_row = static_cast<std::int32_t>(end);
        s.edges.push_back(e);
    }
    if (s.edges.empty()) return;

    std::sort(s.edges.begin(), s.edges.end(),
              [](const Edge& l, const Edge& r) { return l.first_row < r.first_row; });

    std::size_t next = 0;
    std::int32_t y = s.edges.front().first_row;
    while (next < s.edges.size() || !s.active.empty()) {
        if (s.active.empty() && s.edges[next].first_row > y) y = s.edges[next].first_row;
        while (next < s.edges.size() && s.edges[next].first_row == y) s.active.push_back(s.edges[next++]);

        // Crossings as pixel ceilings: ceil is monotone, so sorting the
        // ceilings gives the same pairing as sorting the exact crossings.
        s.crossings.clear();
        for (const Edge& e : s.active) s.crossings.push_back(e.ceiling());
        // Few edges and nearly sorted from row to row: insertion sort wins.
        for (std::size_t i = 1; i < s.crossings.size(); ++i) {
            const i64 v = s.crossings[i];
            std::size_t j = i;
            for (; j > 0 && s.crossings[j - 1] > v; --j) s.crossings[j] = s.crossings[j - 1];
            s.crossings[j] = v;
        }
        for (std::size_t i = 0; i + 1 < s.crossings.size(); i += 2) {
            const i64 begin = std::clamp<i64>(s.crossings[i], 0, width);
            const i64 end = std::clamp<i64>(s.crossings[i + 1], 0, width);
            if (begin < end)
                surface.paint_span(y, static_cast<std::int32_t>(begin), static_cast<std::int32_t>(end), fill);
        }

        ++y;
        // Retire edges that end here and step the rest to the next row.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < s.active.size(); ++i) {
            Edge e = s.active[i];
            if (e.end_row <= y) continue;
            e.step();
            s.active[kept++] = e;
        }
        s.active.resize(kept);
    }
}

// One outline segment from a to b: a is drawn, b is not. Along the major axis
// the pixel at step t is start + t; the minor axis moves by
// floor((2 t |minor| + major) / (2 major)), the exact line position rounded
// with halves going away from the start. Only the steps whose major coordinate
// is on the surface are visited, so far-off endpoints cost nothing.
void draw_segment(FrameSurface& surface, screen_point a, screen_point b, Colour pen) {
    const i64 dx = i64{b.x} - a.x;
    const i64 dy = i64{b.y} - a.y;
    const i64 adx = dx < 0 ? -dx : dx;
    const i64 ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return;

    const bool x_major = adx >= ady;
    const i64 major = x_major ? adx : ady;
    const i64 minor = x_major ? ady : adx;
    const i64 major_start = x_major ? a.x : a.y;
    const i64 minor_start = x_major ? a.y : a.x;
    const i64 major_sign = (x_major ? dx : dy) > 0 ? 1 : -1;
    const i64 minor_delta = x_major ? dy : dx;
    const i64 minor_sign = minor_delta > 0 ? 1 : (minor_delta < 0 ? -1 : 0);
    const i64 major_limit = x_major ? surface.width() : surface.height();
    const i64 minor_limit = x_major ? surface.height() : surface.width();

    // Steps t whose major coordinate major_start + major_sign * t is in [0, major_limit).
    i64 t_lo = 0;
    i64 t_hi = 0;
    if (major_sign > 0) {
        t_lo = -major_start;
        t_hi = major_limit - 1 - major_start;
    } else {
        t_lo = major_start - (major_limit - 1);
        t_hi = major_start;
    }
    t_lo = std::max<i64>(t_lo, 0);
    t_hi = std::min<i64>(t_hi, major - 1);
    if (t_lo > t_hi) return;

    // Minor offset at t_lo, then Bresenham's remainder walk from there.
    const i64 two_major = 2 * major;
    const i64 two_minor = 2 * minor;
    const i128 num = static_cast<i128>(t_lo) * two_minor + major;
    i64 offset = static_cast<i64>(num / two_major);
    i64 rem = static_cast<i64>(num % two_major);

    for (i64 t = t_lo; t <= t_hi; ++t) {
        const i64 m = major_start + major_sign * t;
        const i64 v = minor_start + minor_sign * offset;
        if (v >= 0 && v < minor_limit) {
            const auto x = static_cast<std::int32_t>(x_major ? m : v);
            const auto y = static_cast<std::int32_t>(x_major ? v : m);
            std::uint8_t* p = surface.row(y) + 3 * static_cast<std::size_t>(x);
            p[0] = pen.b;
            p[1] = pen.g;
            p[2] = pen.r;
        } else if (minor_sign == 0 || (minor_sign > 0 && v >= minor_limit) || (minor_sign < 0 && v < 0)) {
            // The minor coordinate only moves one way: once past the far side
            // (or level and off the surface) no later step comes back.
            break;
        }
        rem += two_minor;
        if (rem >= two_major) {
            rem -= two_major;
            ++offset;
        }
    }
}

} // namespace

void draw_polygon(FrameSurface& surface, std::span<const screen_point> points) {
    if (points.size() < 2 || surface.width() <= 0 || surface.height() <= 0) return;

    i64 min_x = points[0].x, max_x = points[0].x;
    i64 min_y = points[0].y, max_y = points[0].y;
    for (const screen_point& p : points) {
        min_x = std::min<i64>(min_x, p.x);
        max_x = std::max<i64>(max_x, p.x);
        min_y = std::min<i64>(min_y, p.y);
        max_y = std::max<i64>(max_y, p.y);
    }
    // Every fill and outline pixel lies inside the points' bounding box.
    if (max_x < 0 || min_x >= surface.width() || max_y < 0 || min_y >= surface.height()) return;
    // All points equal: no edge, no segment, nothing to draw.
    if (min_x == max_x && min_y == max_y) return;

    fill_interior(surface, points);

    const Colour pen = surface.pen();
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) draw_segment(surface, points[i], points[(i + 1) % n], pen);

    surface.note_rows_changed(static_cast<std::int32_t>(std::max<i64>(min_y, 0)),
                              static_cast<std::int32_t>(std::min<i64>(max_y, surface.height() - 1)));
}

void draw_rectangle(FrameSurface& surface, std::int32_t left, std::int32_t top, std::int32_t right,
                    std::int32_t bottom) {
    if (right <= left || bottom <= top) return;
    const i64 width = surface.width();
    const i64 height = surface.height();
    // Border positions and clipping in 64 bits, so no edge value can overflow.
    const i64 last_x = i64{right} - 1;
    const i64 last_y = i64{bottom} - 1;
    const i64 x0 = std::max<i64>(left, 0);
    const i64 x1 = std::min<i64>(right, width);
    const i64 y0 = std::max<i64>(top, 0);
    const i64 y1 = std::min<i64>(bottom, height);
    if (x0 >= x1 || y0 >= y1) return;

    const Colour pen = surface.pen();
    const Colour fill = surface.fill();
    const auto begin = static_cast<std::int32_t>(x0);
    const auto end = static_cast<std::int32_t>(x1);
    const bool left_visible = left >= 0;       // left < width since x0 < x1
    const bool right_visible = last_x < width; // last_x >= 0 since x1 > 0
    for (i64 y = y0; y < y1; ++y) {
        const auto row = static_cast<std::int32_t>(y);
        if (y == top || y == last_y) {
            surface.paint_span(row, begin, end, pen);
            continue;
        }
        surface.paint_span(row, begin, end, fill);
        if (left_visible) surface.paint_span(row, left, left + 1, pen);
        if (right_visible) {
            const auto x = static_cast<std::int32_t>(last_x);
            surface.paint_span(row, x, x + 1, pen);
        }
    }
    surface.note_rows_changed(static_cast<std::int32_t>(y0), static_cast<std::int32_t>(y1 - 1));
}

} // namespace wiper
