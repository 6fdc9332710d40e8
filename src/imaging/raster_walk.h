#pragma once
// The rasterizer's two walks, the interior's rows and the outline's segments,
// as templates over the sink. rasterize_polygon sends its spans through the
// virtual SpanSink; the wiped field, which draws one part hundreds of times a
// frame step, hands a sink of a known type so that each span is set inline.
// Both are the same walk, so both draw the same pixels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/screen_point.h"
#include "imaging/rasterizer.h"

namespace wiper::raster_detail {
using i64 = std::int64_t;
using i128 = __int128;

// Floor of n / d for d > 0. Built-in division truncates towards zero. The
// 128-bit division is slow, and most edges start on the area, where the
// numerator is 0, or are short enough for 64 bits.
inline i128 floor_div(i128 n, i128 d) {
    if (n == 0) return 0;
    if (n >= INT64_MIN && n <= INT64_MAX && d <= INT64_MAX) {
        const auto n64 = static_cast<i64>(n), d64 = static_cast<i64>(d);
        i64 q = n64 / d64;
        if ((n64 % d64) != 0 && n64 < 0) --q;
        return q;
    }
    i128 q = n / d;
    if ((n % d) != 0 && n < 0) --q;
    return q;
}

// One non-horizontal polygon edge, walked down the rows it crosses. Its exact
// crossing x on the current row is q + f / dy with 0 <= f < dy, so stepping a
// row is integer addition and the ceiling is q + (f > 0): no rounding drift
// however long the edge is.
//   q: floor of the crossing on the current row; f: remainder over dy;
//   dq: floor(dx / dy); dr: dx - dq * dy, 0 <= dr < dy; dy > 0;
//   first_row, end_row: the rows it covers, already clipped to the area.

inline i64 ceiling(const Edge& e) { return e.q + (e.f > 0 ? 1 : 0); }

// The carry is taken without a branch: it follows the edge's slope, which no
// branch predictor guesses, and the walk does little else a row.
inline void step(Edge& e) {
    e.q += e.dq;
    e.f += e.dr;
    const i64 carry = e.f >= e.dy ? 1 : 0;
    e.f -= carry * e.dy;
    e.q += carry;
}

template <class Sink>
void fill_interior(std::span<const screen_point> points, ClipArea clip, RasterScratch& s, Sink& sink) {
    const i64 width = clip.width;
    const i64 height = clip.height;
    s.edges.clear();
    s.active.clear();

    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        screen_point a = points[i];
        screen_point b = points[(i + 1) % n];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        // The edge covers rows a.y <= y < b.y; only the part on the clip area matters.
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

    // Rows [y, stop) that no edge enters or leaves are walked in one run,
    // most of them crossed by two edges alone.
    const auto emit = [&](std::int32_t row, i64 begin, i64 end) {
        begin = std::clamp<i64>(begin, 0, width);
        end = std::clamp<i64>(end, 0, width);
        if (begin < end) sink.span(Ink::fill, row, static_cast<std::int32_t>(begin), static_cast<std::int32_t>(end));
    };
    std::size_t next = 0;
    std::int32_t y = s.edges.front().first_row;
    while (next < s.edges.size() || !s.active.empty()) {
        if (s.active.empty() && s.edges[next].first_row > y) y = s.edges[next].first_row;
        while (next < s.edges.size() && s.edges[next].first_row == y) s.active.push_back(s.edges[next++]);

        std::int32_t stop = next < s.edges.size() ? s.edges[next].first_row : s.active.front().end_row;
        for (const Edge& e : s.active) stop = std::min(stop, e.end_row);
        for (;;) {
            if (s.active.size() == 2) {
                const i64 c0 = ceiling(s.active[0]), c1 = ceiling(s.active[1]);
                emit(y, std::min(c0, c1), std::max(c0, c1));
            } else {
                // Crossings as pixel ceilings: ceil is monotone, so sorting the
                // ceilings gives the same pairing as sorting the exact crossings.
                s.crossings.clear();
                for (const Edge& e : s.active) s.crossings.push_back(ceiling(e));
                // Few edges and nearly sorted from row to row: insertion sort wins.
                for (std::size_t i = 1; i < s.crossings.size(); ++i) {
                    const i64 v = s.crossings[i];
                    std::size_t j = i;
                    for (; j > 0 && s.crossings[j - 1] > v; --j) s.crossings[j] = s.crossings[j - 1];
                    s.crossings[j] = v;
                }
                for (std::size_t i = 0; i + 1 < s.crossings.size(); i += 2) emit(y, s.crossings[i], s.crossings[i + 1]);
            }
            ++y;
            if (y >= stop) break;
            for (Edge& e : s.active) step(e);
        }
        // Retire edges that end here and step the rest to the next row.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < s.active.size(); ++i) {
            if (s.active[i].end_row <= y) continue;
            if (kept != i) s.active[kept] = s.active[i];
            step(s.active[kept++]);
        }
        s.active.resize(kept);
    }
}
// One outline segment from a to b: a is drawn, b is not. Along the major axis
// the pixel at step t is start + t; the minor axis moves by
// floor((2 t |minor| + major) / (2 major)), the exact line position rounded
// with halves going away from the start. Only the steps whose major coordinate
// is on the clip area are visited, so far-off endpoints cost nothing. Pixels
// of one row that follow each other go out as one span.
template <class Sink>
void draw_segment(screen_point a, screen_point b, ClipArea clip, Sink& sink) {
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
    const i64 major_limit = x_major ? clip.width : clip.height;
    const i64 minor_limit = x_major ? clip.height : clip.width;

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
    // Most segments start on the area (t_lo 0), where that offset is 0.
    i64 offset = 0;
    i64 rem = major;
    if (t_lo > 0) {
        const i128 num = static_cast<i128>(t_lo) * two_minor + major;
        offset = static_cast<i64>(num / two_major);
        rem = static_cast<i64>(num % two_major);
    }

    // The minor coordinate moves one way only, by at most one a step: once
    // past the far side of the area (or level and off it) no later step comes
    // back. Its carry is taken without a branch, which the slope would defeat.
    i64 v = minor_start + minor_sign * offset;
    const auto past = [&] { return minor_sign == 0 || (minor_sign > 0 && v >= minor_limit) || (minor_sign < 0 && v < 0); };
    const auto advance = [&] {
        rem += two_minor;
        const i64 carry = rem >= two_major ? 1 : 0;
        rem -= carry * two_major;
        v += carry * minor_sign;
    };
    if (!x_major) {
        // A row a step: each pixel is a span of its own.
        for (i64 t = t_lo; t <= t_hi; ++t) {
            if (v >= 0 && v < minor_limit) {
                const auto x = static_cast<std::int32_t>(v);
                sink.span(Ink::pen, static_cast<std::int32_t>(major_start + major_sign * t), x, x + 1);
            } else if (past()) {
                break;
            }
            advance();
        }
        return;
    }
    // Along a row, the steps until the minor coordinate moves are one span:
    // columns [run_lo, run_hi] of row run_row, not yet sent.
    i64 run_row = -1, run_lo = 0, run_hi = -1;
    const auto flush = [&] {
        if (run_hi >= run_lo)
            sink.span(Ink::pen, static_cast<std::int32_t>(run_row), static_cast<std::int32_t>(run_lo),
                      static_cast<std::int32_t>(run_hi + 1));
        run_hi = run_lo - 1;
    };
    for (i64 t = t_lo; t <= t_hi; ++t) {
        const i64 m = major_start + major_sign * t;
        if (v >= 0 && v < minor_limit) {
            if (v == run_row && run_hi >= run_lo) {
                run_lo = std::min(run_lo, m);
                run_hi = std::max(run_hi, m);
            } else {
                flush();
                run_row = v;
                run_lo = run_hi = m;
            }
        } else if (past()) {
            break;
        }
        advance();
    }
    flush();
}

} // namespace wiper::raster_detail
