#include "field/clearance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "field/span_list.h"
#include "field/wiped_field.h"
#include "geometry/motion.h"
#include "geometry/wipers.h"
#include "imaging/rasterizer.h"

namespace wiper {

namespace {

using i64 = std::int64_t;
using i128 = __int128;
constexpr double infinity = std::numeric_limits<double>::infinity();

// Rounding a vertex to a whole pixel moves it at most sqrt(2)/2, and so moves
// the polygon (outline and inside) at most that far. Two looks at one pair of
// parts, each off the exact distance by both parts' rounding, can then differ
// by 2 sqrt(2) beyond what the motion between them allows.
constexpr double rounding_slack = 2.0 * 1.4142135623730951 + 1e-6;
// A drawn pixel's centre lies within half a pixel of its polygon (inside by
// the fill's rule, or on the outline's line within half a pixel), so parts
// that share a drawn pixel are at most 1 px apart; the pixels are only looked
// at below this.
constexpr double touch_reach = 1.5;
// Past this many looks a step, a part would move 8 million pixels a frame.
constexpr double most_looks_per_step = 16777216.0;
// Finer looks around the closest one found, per half-pixel look.
constexpr int refinement = 16;

// The nearest two points of two polygons, and how far apart they are.
struct Nearest {
    double d2 = infinity; // squared
    double ax = 0, ay = 0, bx = 0, by = 0;
};

i128 cross(screen_point o, screen_point a, screen_point b) {
    return static_cast<i128>(i64{a.x} - o.x) * (i64{b.y} - o.y) - static_cast<i128>(i64{a.y} - o.y) * (i64{b.x} - o.x);
}

int sign(i128 v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

bool on_segment(screen_point p, screen_point a, screen_point b) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

// Whether segments ab and cd meet, ends and collinear overlaps included, exactly.
bool segments_meet(screen_point a, screen_point b, screen_point c, screen_point d) {
    const int d1 = sign(cross(c, d, a)), d2 = sign(cross(c, d, b));
    const int d3 = sign(cross(a, b, c)), d4 = sign(cross(a, b, d));
    if (d1 * d2 < 0 && d3 * d4 < 0) return true;
    return (d1 == 0 && on_segment(a, c, d)) || (d2 == 0 && on_segment(b, c, d)) ||
           (d3 == 0 && on_segment(c, a, b)) || (d4 == 0 && on_segment(d, a, b));
}

// Whether p lies inside the polygon by the even-odd rule (a point on the
// outline meets it anyway, which the segments find).
bool inside(screen_point p, std::span<const screen_point> poly) {
    bool in = false;
    for (std::size_t i = 0, n = poly.size(); i < n; ++i) {
        const screen_point u = poly[i], v = poly[(i + 1) % n];
        if ((u.y > p.y) == (v.y > p.y)) continue;
        // p.x < the edge's x at row p.y, with the edge taken upwards.
        const bool up = v.y > u.y;
        const i128 c = cross(up ? u : v, up ? v : u, p);
        if (c > 0) in = !in;
    }
    return in;
}

// The nearest point of segment ab to p; updates `best` when it is nearer.
// `p_first` says whether p is on the first polygon.
void point_to_segment(screen_point p, screen_point a, screen_point b, bool p_first, Nearest& best) {
    const double px = p.x, py = p.y, ax = a.x, ay = a.y, dx = double(b.x) - ax, dy = double(b.y) - ay;
    const double len2 = dx * dx + dy * dy;
    double f = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
    f = std::clamp(f, 0.0, 1.0);
    const double qx = ax + f * dx, qy = ay + f * dy;
    const double d2 = (px - qx) * (px - qx) + (py - qy) * (py - qy);
    if (d2 >= best.d2) return;
    best.d2 = d2;
    if (p_first) best = {d2, px, py, qx, qy};
    else best = {d2, qx, qy, px, py};
}

// The squared gap between two boxes, 0 where they meet.
double box_gap2(double ax0, double ay0, double ax1, double ay1, double bx0, double by0, double bx1, double by1) {
    const double gx = std::max({0.0, bx0 - ax1, ax0 - bx1});
    const double gy = std::max({0.0, by0 - ay1, ay0 - by1});
    return gx * gx + gy * gy;
}

double box_gap(const PointBox& a, const PointBox& b) {
    return std::sqrt(box_gap2(double(a.x0), double(a.y0), double(a.x1), double(a.y1), double(b.x0), double(b.y0),
                              double(b.x1), double(b.y1)));
}

// The least distance between two polygons, outline and inside: 0 where they
// meet or one holds the other, else the least distance between their edges.
// Edges `cutoff` or more apart are not measured: where none is nearer, d2 is infinity.
Nearest polygon_distance(std::span<const screen_point> a, std::span<const screen_point> b,
                         double cutoff = infinity) {
    Nearest best;
    best.d2 = cutoff * cutoff;
    if (inside(a[0], b)) return {0, double(a[0].x), double(a[0].y), double(a[0].x), double(a[0].y)};
    if (inside(b[0], a)) return {0, double(b[0].x), double(b[0].y), double(b[0].x), double(b[0].y)};
    const std::size_t n = a.size(), m = b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const screen_point a0 = a[i], a1 = a[(i + 1) % n];
        for (std::size_t j = 0; j < m; ++j) {
            const screen_point b0 = b[j], b1 = b[(j + 1) % m];
            if (box_gap2(std::min(a0.x, a1.x), std::min(a0.y, a1.y), std::max(a0.x, a1.x), std::max(a0.y, a1.y),
                         std::min(b0.x, b1.x), std::min(b0.y, b1.y), std::max(b0.x, b1.x),
                         std::max(b0.y, b1.y)) >= best.d2)
                continue;
            if (segments_meet(a0, a1, b0, b1)) {
                // Where they meet, for the picture: on ab at the crossing, or an end on the other.
                const double den = static_cast<double>(cross({0, 0}, {a1.x - a0.x, a1.y - a0.y}, {b1.x - b0.x, b1.y - b0.y}));
                double x = a0.x, y = a0.y;
                if (den != 0) {
                    const double f = static_cast<double>(cross(a0, b0, b1)) / den;
                    x = a0.x + f * (double(a1.x) - a0.x);
                    y = a0.y + f * (double(a1.y) - a0.y);
                } else if (on_segment(b0, a0, a1)) {
                    x = b0.x, y = b0.y;
                }
                return {0, x, y, x, y};
            }
            point_to_segment(a0, b0, b1, true, best);
            point_to_segment(a1, b0, b1, true, best);
            point_to_segment(b0, a0, a1, false, best);
            point_to_segment(b1, a0, a1, false, best);
        }
    }
    if (best.d2 >= cutoff * cutoff) best.d2 = infinity;
    return best;
}

// Whether two posed polygons share a pixel as the frames draw them: both are
// drawn, moved together so the area where their boxes meet starts at 0, and
// clipped to it (every pixel a polygon draws lies in its box), wherever that
// is on or off the picture.
bool share_a_pixel(std::span<const screen_point> a, std::span<const screen_point> b, const PointBox& box_a,
                   const PointBox& box_b, RasterScratch& scratch, SpanList (&spans)[2],
                   std::vector<screen_point> (&moved)[2]) {
    const PointBox meet{std::max(box_a.x0, box_b.x0), std::max(box_a.y0, box_b.y0), std::min(box_a.x1, box_b.x1),
                        std::min(box_a.y1, box_b.y1)};
    if (meet.empty() || meet.y1 < meet.y0) return false;
    constexpr i64 lo = std::numeric_limits<std::int32_t>::min(), hi = std::numeric_limits<std::int32_t>::max();
    const i64 width = meet.x1 - meet.x0 + 1, height = meet.y1 - meet.y0 + 1;
    bool fits = width <= hi && height <= hi;
    const std::span<const screen_point> polys[2] = {a, b};
    for (int k = 0; k < 2 && fits; ++k) {
        moved[k].clear();
        for (const screen_point p : polys[k]) {
            const i64 x = i64{p.x} - meet.x0, y = i64{p.y} - meet.y0;
            fits = fits && x >= lo && x <= hi && y >= lo && y <= hi;
            moved[k].push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
        }
    }
    // Parts more than two billion pixels across: the pixels cannot be drawn
    // in 32 bits, and meeting polygons are taken to touch.
    if (!fits) return polygon_distance(a, b).d2 == 0;
    const ClipArea clip{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
    for (int k = 0; k < 2; ++k) {
        spans[k].clear();
        rasterize_polygon(moved[k], clip, scratch, spans[k]);
    }
    return spans[0].shares_a_pixel_with(spans[1]);
}

// One part of a wiper, as it is posed at the t being looked at.
struct Member {
    explicit Member(const Part& p) : part(&p), prepared(p) {}
    const Part* part;
    PreparedPart prepared;
    double motion = 0; // the farthest any of its points moves in a frame step
    // The blade's running total: each frame adds the same step to it, so
    // every 1024th total is kept and the rest are added up from there, in
    // the frames' own order.
    double step = 0;
    std::vector<double> every_1024th;
    point_slots_array points{};
    std::span<const screen_point> polygon;
    PointBox box;

    // The running total after frame n, as the frames take it (0 before frame 1).
    double blade_after(std::size_t n) const {
        double blade = every_1024th[n / 1024];
        for (std::size_t i = 0; i < n % 1024; ++i) blade = blade + step;
        return blade;
    }
};

// What one look found: a lower bound of the distance at t, and, where it was
// measured, the pair that comes closest and their nearest points.
struct Look {
    double bound = infinity;
    double distance = infinity; // measured; infinity where only bounded
    std::size_t a = 0, b = 0;   // members of the two wipers
    Nearest nearest;
};

// The closest approach of two wipers, t over the frames both have.
class PairSearch {
public:
    PairSearch(std::vector<Member>& first, std::vector<Member>& second, std::int32_t frames, const BladeTurns& turns,
               StopClock& stop_clock)
        : first_(first), second_(second), frames_(frames), turns_(turns), stop_clock_(stop_clock) {
        double fastest_a = 0, fastest_b = 0;
        for (const Member& m : first_) fastest_a = std::max(fastest_a, m.motion);
        for (const Member& m : second_) fastest_b = std::max(fastest_b, m.motion);
        // No point of either part moves more than half a pixel between two looks.
        looks_ = std::clamp(std::ceil(2.0 * std::max(fastest_a, fastest_b)), 1.0, most_looks_per_step);
        rate_ = (fastest_a + fastest_b) * (1 + 1e-9) + 1e-12;
        last_ = static_cast<i64>(frames_ - 1) * static_cast<i64>(looks_);
    }

    Approach run() {
        const Look first = look(0), last = look(last_);
        search(0, first.bound, last_, last.bound);
        refine();
        Approach approach;
        if (best_.distance <= touch_reach) find_touches(approach);
        const Look& at = touch_first_ ? *touch_first_ : best_;
        approach.first = first_[at.a].part->name;
        approach.second = second_[at.b].part->name;
        approach.distance = touch_first_ ? 0.0 : best_.distance;
        approach.t = touch_first_ ? touch_first_t_ : best_t_;
        approach.first_x = at.nearest.ax, approach.first_y = at.nearest.ay;
        approach.second_x = at.nearest.bx, approach.second_y = at.nearest.by;
        return approach;
    }

private:
    double t_of(i64 k) const { return 1.0 + static_cast<double>(k) / looks_; }

    // Poses every part of both wipers at t, as the field does between frames:
    // the blade's running total after frame n, plus its share of the next step.
    void pose(double t) {
        const double n = std::floor(t);
        const bool whole = n == t;
        const auto k = static_cast<std::size_t>(n);
        for (auto* wiper : {&first_, &second_})
            for (Member& m : *wiper) {
                double blade = m.blade_after(whole ? k - 1 : k);
                m.polygon = pose_part(m.prepared, turns_, t, blade, m.points);
                m.box = bounding_box(m.polygon);
            }
    }

    // Measured exactly where the boxes come within `near` of each other;
    // elsewhere the gap between the boxes bounds it.
    Look measure(double near) {
        Look found;
        for (std::size_t a = 0; a < first_.size(); ++a)
            for (std::size_t b = 0; b < second_.size(); ++b) {
                const double gap = box_gap(first_[a].box, second_[b].box);
                if (gap >= near) {
                    found.bound = std::min(found.bound, gap);
                    continue;
                }
                const Nearest nearest = polygon_distance(first_[a].polygon, second_[b].polygon, near);
                const double d = std::sqrt(nearest.d2);
                found.bound = std::min(found.bound, std::min(d, near));
                if (d < found.distance) found = {found.bound, d, a, b, nearest};
            }
        return found;
    }

    Look look_at(double t) {
        stop_clock_.poll();
        pose(t);
        Look found = measure(best_.distance + 2 * rounding_slack + 1.0);
        if (found.distance < best_.distance || (found.distance == best_.distance && t < best_t_)) {
            best_ = found;
            best_t_ = t;
        }
        return found;
    }
    Look look(i64 k) { return look_at(t_of(k)); }

    // Between looks k0 and k1 no pair comes closer than either look's bound
    // less the motion to the middle, less both roundings: such a stretch is
    // skipped when that cannot beat the closest found.
    void search(i64 k0, double d0, i64 k1, double d1) {
        if (k1 - k0 <= 1) return;
        const double span = static_cast<double>(k1 - k0) / looks_;
        // No distance is below 0: once they meet, only an earlier meeting counts.
        const double floor = std::max(0.0, (d0 + d1 - rate_ * span) / 2 - rounding_slack);
        if (floor > best_.distance || (floor == best_.distance && t_of(k0) >= best_t_)) return;
        const i64 km = k0 + (k1 - k0) / 2;
        const double dm = look(km).bound;
        if (d0 <= d1) {
            search(k0, d0, km, dm);
            search(km, dm, k1, d1);
        } else {
            search(km, dm, k1, d1);
            search(k0, d0, km, dm);
        }
    }

    // Looks more finely within a half-pixel look either side of the closest.
    void refine() {
        const double centre = best_t_, step = 1.0 / looks_;
        for (int i = -refinement; i <= refinement; ++i) {
            const double t = centre + step * i / refinement;
            if (i != 0 && t >= 1.0 && t <= static_cast<double>(frames_)) look_at(t);
        }
    }

    // The first touch from the start and the last from the end, on the
    // half-pixel looks; a stretch where no pair can come within reach of a
    // touch is skipped.
    void find_touches(Approach& approach) {
        auto scan = [&](i64 from, i64 to, i64 dir) -> std::optional<i64> {
            for (i64 k = from; dir > 0 ? k <= to : k >= to;) {
                stop_clock_.poll();
                const double t = t_of(k);
                pose(t);
                const Look found = measure(touch_reach + 2 * rounding_slack + 1.0);
                for (std::size_t a = 0; a < first_.size(); ++a)
                    for (std::size_t b = 0; b < second_.size(); ++b) {
                        if (box_gap(first_[a].box, second_[b].box) > touch_reach) continue;
                        if (std::sqrt(polygon_distance(first_[a].polygon, second_[b].polygon).d2) > touch_reach) continue;
                        if (!share_a_pixel(first_[a].polygon, second_[b].polygon, first_[a].box, second_[b].box,
                                           scratch_, spans_, moved_))
                            continue;
                        if (dir > 0) {
                            touch_first_ = Look{0, 0, a, b, polygon_distance(first_[a].polygon, second_[b].polygon)};
                            touch_first_t_ = t;
                        }
                        return k;
                    }
                const double free = (found.bound - rounding_slack - touch_reach) / rate_ * looks_;
                const double ahead = std::min(std::floor(free), static_cast<double>(last_) + 1);
                k += dir * (ahead > 1 ? static_cast<i64>(ahead) : 1);
            }
            return std::nullopt;
        };
        const std::optional<i64> first = scan(0, last_, 1);
        if (!first) return;
        const i64 last = scan(last_, *first, -1).value_or(*first);
        approach.touch = std::make_pair(static_cast<std::int64_t>(std::floor(t_of(*first))),
                                        static_cast<std::int64_t>(std::ceil(t_of(last))));
    }

    std::vector<Member>& first_;
    std::vector<Member>& second_;
    std::int32_t frames_;
    const BladeTurns& turns_;
    StopClock& stop_clock_;
    double looks_ = 1; // looks a frame step
    double rate_ = 0;  // px the two can close in on each other in a frame step
    i64 last_ = 0;     // the last look's number; look k is at t = 1 + k / looks_
    Look best_;
    double best_t_ = 0;
    std::optional<Look> touch_first_;
    double touch_first_t_ = 0;
    RasterScratch scratch_;
    SpanList spans_[2];
    std::vector<screen_point> moved_[2];
};

// A wiper's parts that draw something, each with the blade's running totals
// at its frames, as the frames take them.
std::vector<Member> members_of(const std::vector<Part>& parts, const std::vector<int>& numbers, int wiper,
                               const BladeTurns& turns, StopClock& stop_clock) {
    std::vector<Member> members;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (numbers[i] != wiper || parts[i].frame_count < 1) continue;
        Member m(parts[i]);
        m.motion = step_bounds(parts[i], turns).farthest();
        // Frame 1 takes the first step from 0: the step itself.
        m.polygon = pose_part(m.prepared, turns, 1.0, m.step, m.points);
        double blade = 0;
        for (std::int32_t n = 0; n <= parts[i].frame_count; ++n) {
            if (n % 1024 == 0) {
                stop_clock.poll();
                m.every_1024th.push_back(blade);
            }
            blade = blade + m.step;
        }
        if (!m.polygon.empty()) members.push_back(std::move(m));
    }
    return members;
}

} // namespace

std::vector<Approach> find_clearance(const BladeTurns& turns, const std::vector<Part>& parts, const Hooks& hooks) {
    StopClock stop_clock(hooks, field_stopped_message);
    const std::vector<int> numbers = wiper_numbers(parts);
    const int wipers = numbers.empty() ? 0 : *std::max_element(numbers.begin(), numbers.end());
    // A wiper's parts share their frame_count.
    std::vector<std::int32_t> frames(static_cast<std::size_t>(wipers) + 1, 0);
    std::vector<std::vector<Member>> members(static_cast<std::size_t>(wipers) + 1);
    for (std::size_t i = 0; i < parts.size(); ++i) frames[static_cast<std::size_t>(numbers[i])] = parts[i].frame_count;
    for (int i = 1; i <= wipers; ++i)
        members[static_cast<std::size_t>(i)] = members_of(parts, numbers, i, turns, stop_clock);
    std::vector<Approach> approaches;
    for (int i = 1; i <= wipers; ++i)
        for (int j = i + 1; j <= wipers; ++j) {
            const auto wi = static_cast<std::size_t>(i), wj = static_cast<std::size_t>(j);
            const std::int32_t both = std::min(frames[wi], frames[wj]);
            if (both < 1 || members[wi].empty() || members[wj].empty()) continue;
            Approach approach = PairSearch(members[wi], members[wj], both, turns, stop_clock).run();
            approach.first_wiper = i;
            approach.second_wiper = j;
            approaches.push_back(std::move(approach));
        }
    return approaches;
}

void warn_blades_without_arm(const std::vector<Part>& parts, const Hooks& hooks) {
    const auto swept = [](const Part& p) { return p.kind == PartKind::swept; };
    if (!hooks.warn || std::none_of(parts.begin(), parts.end(), swept)) return;
    for (const Part& blade : parts) {
        if (swept(blade)) continue;
        if (std::any_of(parts.begin(), parts.end(), [&](const Part& p) { return swept(p) && same_motion(p, blade); }))
            continue;
        hooks.warn(blade.name + " turns about (" + std::to_string(blade.centre_x) + ", " +
                   std::to_string(blade.centre_y) + ") by " + std::to_string(blade.sweep_angle) + " degrees in " +
                   std::to_string(blade.frame_count) +
                   " frames, but no swept part does: a blade follows its arm only when both have the same "
                   "frame_count, sweep_angle, centre_x and centre_y");
    }
}

} // namespace wiper
