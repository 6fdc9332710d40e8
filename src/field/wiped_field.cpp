#include "field/wiped_field.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>

#include "common/failure.h"
#include "field/span_list.h"
#include "field/sweep_motion.h"
#include "imaging/raster_walk.h"

namespace wiper {

namespace {

// One wiping part as the sweep is followed. Each is looked at on its own
// terms, as often as its own motion asks: its field depends on no other part.
struct Wiper {
    const Part* part = nullptr;
    PreparedPart prepared;
    StepMotion motion;
    StepSamples samples;
    RowUnion rows;             // the pixels it wipes, through the union of each row's spans
    RasterScratch scratch;     // its own, so that two parts can be drawn at once
    SpanList spans;            // its pixels at the current pose, for the touch check
    bool spans_now = false;    // `spans` hold the current pose
    double blade_angle = 0;    // the running total through the last whole frame
    point_slots_array points{};
    PointBox at_frame;         // where its last whole frame put it
    std::span<const screen_point> polygon; // at the current pose
    PointBox now;              // where the current pose put it
    bool drawn_now = false;    // posed at the current t, and on the picture
    bool this_step = false;    // the current frame step can reach the picture
    bool approximate = false;  // a step that reaches the picture was capped
    std::vector<std::size_t> near; // the parts it may touch in the current step
    // The last pose drawn into the mask: its pixels are all there already.
    point_slots_array drawn{};
    std::size_t drawn_size = 0;

    Wiper(const Part& p, ClipArea picture) : part(&p), prepared(p), rows(picture.width, picture.height) {}
};

// When two wiping parts touch: the first and last t they share a pixel.
struct Touch {
    double first = 0, last = 0;
    bool seen = false;
};

std::string frame_count_text(double t, bool up) {
    return std::to_string(static_cast<std::int64_t>(up ? std::ceil(t) : std::floor(t)));
}

// Draws a pose into a mask that already holds `before`, a pose of the same
// part: the same pixels as rasterize_polygon, but an outline segment whose
// ends have not moved since `before` is skipped, its pixels being set already.
// Consecutive looks move a point by half a pixel at most, so at 8K most of
// a blade's segments are the same from one look to the next.
void draw_after(std::span<const screen_point> polygon, std::span<const screen_point> before, ClipArea picture,
                RasterScratch& scratch, RowUnion& mask) {
    if (polygon.size() < 2 || !bounding_box(polygon).meets(picture)) return;
    raster_detail::fill_interior(polygon, picture, scratch, mask);
    const std::size_t n = polygon.size();
    const bool same_shape = before.size() == n;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        if (same_shape && polygon[i] == before[i] && polygon[j] == before[j]) continue;
        raster_detail::draw_segment(polygon[i], polygon[j], picture, mask);
    }
}

class SweepFollower {
public:
    SweepFollower(ClipArea picture, const BladeTurns& turns, std::vector<Wiper>& wipers, const Hooks& hooks)
        : picture_(picture), turns_(turns), wipers_(wipers), hooks_(hooks), stop_clock_(hooks, field_stopped_message),
          touches_(wipers.size() * wipers.size()) {}

    void run() {
        std::int64_t last = 0;
        for (const Wiper& w : wipers_) last = std::max<std::int64_t>(last, w.part->frame_count);
        check_stop(hooks_, field_stopped_message); // a stop asked for before the sweep, as the frames ended
        for (std::int64_t n = 1; n <= last; ++n) {
            stop_clock_.poll(); // a frame can take far less than a look for a stop request costs
            if (hooks_.progress) hooks_.progress(Progress{0, 0, {}, n, last});
            at_frame(n);
            // The step to frame n + 1: each part that can reach the picture in
            // it is looked at as often as its own motion asks.
            for (Wiper& w : wipers_) {
                w.near.clear();
                w.this_step = n < w.part->frame_count &&
                              w.motion.can_reach(w.at_frame, picture_, w.part->centre_x, w.part->centre_y);
                if (w.this_step && w.samples.capped) w.approximate = true;
            }
            bool any_near = false;
            for (std::size_t a = 0; a < wipers_.size(); ++a)
                for (std::size_t b = a + 1; b < wipers_.size(); ++b)
                    if (may_meet(wipers_[a], wipers_[b])) {
                        wipers_[a].near.push_back(b);
                        wipers_[b].near.push_back(a);
                        any_near = true;
                    }
            std::vector<Wiper*> alone;
            for (Wiper& w : wipers_)
                if (w.this_step && w.near.empty() && w.samples.count > 1) alone.push_back(&w);
            follow_alone(n, alone);
            if (any_near) between_near(n);
        }
    }

    void warn_touches() const {
        for (std::size_t a = 0; a < wipers_.size(); ++a)
            for (std::size_t b = a + 1; b < wipers_.size(); ++b) {
                const Touch& t = touches_[a * wipers_.size() + b];
                if (!t.seen || !hooks_.warn) continue;
                const std::string from = frame_count_text(t.first, false), to = frame_count_text(t.last, true);
                hooks_.warn(wipers_[a].part->name + " and " + wipers_[b].part->name + " overlap " +
                            (from == to ? "at frame " + from : "between frame " + from + " and frame " + to));
            }
    }

private:
    static double between(std::int64_t n, std::uint32_t i, std::uint32_t count) {
        return static_cast<double>(n) + static_cast<double>(i) / count;
    }

    // The looks of one part through the step after frame n, until `abandon`.
    void follow_one(Wiper& w, std::int64_t n, const std::atomic<bool>& abandon, bool polls) {
        for (std::uint32_t i = 1; i < w.samples.count && !abandon.load(std::memory_order_relaxed); ++i) {
            if (polls) stop_clock_.poll();
            pose(w, between(n, i, w.samples.count), false);
            draw(w);
        }
    }

    // What following a part through a step costs, roughly: rows and edges a look.
    std::uint64_t step_work(const Wiper& w) const {
        const std::int64_t rows = std::clamp<std::int64_t>(w.at_frame.y1 - w.at_frame.y0 + 1, 1, picture_.height);
        return std::uint64_t{w.samples.count} * (static_cast<std::uint64_t>(rows) + 2 * w.drawn_size);
    }

    // The step after frame n for the parts that touch no other in it. Each
    // part's looks depend on that part alone, so where there is enough work
    // for two, a second thread follows half of them; only this thread looks
    // for a stop request, and the other gives up when it finds one.
    void follow_alone(std::int64_t n, const std::vector<Wiper*>& alone) {
        std::atomic<bool> abandon{false};
        std::vector<Wiper*> mine, theirs;
        std::uint64_t my_work = 0, their_work = 0;
        for (Wiper* w : alone) {
            const std::uint64_t work = step_work(*w);
            (my_work <= their_work ? mine : theirs).push_back(w);
            (my_work <= their_work ? my_work : their_work) += work;
        }
        constexpr std::uint64_t worth_a_thread = 4000; // about half a millisecond, well above what starting one costs
        if (theirs.empty() || std::min(my_work, their_work) < worth_a_thread) {
            for (Wiper* w : alone) follow_one(*w, n, abandon, true);
            return;
        }
        std::future<void> other = std::async(std::launch::async, [&] {
            for (Wiper* w : theirs) follow_one(*w, n, abandon, false);
        });
        try {
            for (Wiper* w : mine) follow_one(*w, n, abandon, true);
            while (other.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) stop_clock_.poll();
        } catch (...) {
            abandon = true;
            other.wait(); // its own failure, if any, matters no more than this one
            throw;
        }
        other.get();
    }

    // Whether two parts can come within touching distance in the current step:
    // both can reach the picture, and their boxes, each grown by how far it
    // moves, meet.
    static bool may_meet(const Wiper& a, const Wiper& b) {
        if (!a.this_step || !b.this_step) return false;
        const double grow = std::min(a.motion.anywhere + b.motion.anywhere + 2.0, 1e12);
        const auto apart = [&](std::int64_t lo0, std::int64_t hi0, std::int64_t lo1, std::int64_t hi1) {
            return static_cast<double>(lo1) - static_cast<double>(hi0) > grow ||
                   static_cast<double>(lo0) - static_cast<double>(hi1) > grow;
        };
        const PointBox &p = a.at_frame, &q = b.at_frame;
        return !apart(p.x0, p.x1, q.x0, q.x1) && !apart(p.y0, p.y1, q.y0, q.y1);
    }

    void pose(Wiper& w, double t, bool whole) {
        // Between frames the pose takes the running total as it stands
        // after frame n and adds its share of a step for itself.
        double blade_angle = w.blade_angle;
        w.polygon = pose_part(w.prepared, turns_, t, blade_angle, w.points);
        if (whole) w.blade_angle = blade_angle;
        w.now = bounding_box(w.polygon);
        if (whole) w.at_frame = w.now;
        w.drawn_now = !w.polygon.empty() && w.now.meets(picture_);
        w.spans_now = false;
    }

    // The current pose into the part's own mask.
    void draw(Wiper& w) {
        if (!w.drawn_now) return;
        if (w.spans_now)
            w.spans.replay(w.rows);
        else
            draw_after(w.polygon, std::span<const screen_point>(w.drawn.data(), w.drawn_size), picture_, w.scratch,
                       w.rows);
        std::copy(w.polygon.begin(), w.polygon.end(), w.drawn.begin());
        w.drawn_size = w.polygon.size();
    }

    // Two parts posed at the same t touch when they cover a common pixel.
    void check_touch(std::size_t a, std::size_t b, double t) {
        if (a > b) std::swap(a, b);
        Wiper &p = wipers_[a], &q = wipers_[b];
        if (!p.drawn_now || !q.drawn_now || !p.now.overlaps(q.now)) return;
        for (Wiper* w : {&p, &q}) {
            if (w->spans_now) continue;
            w->spans.clear();
            rasterize_polygon(w->polygon, picture_, scratch_, w->spans);
            w->spans_now = true;
        }
        if (!p.spans.shares_a_pixel_with(q.spans)) return;
        Touch& touch = touches_[a * wipers_.size() + b];
        if (!touch.seen) touch.first = t;
        touch.seen = true;
        touch.last = t;
    }

    // Frame n: every part that has it, and the touch check between each two.
    void at_frame(std::int64_t n) {
        for (Wiper& w : wipers_) {
            w.drawn_now = false;
            if (n <= w.part->frame_count) pose(w, static_cast<double>(n), true);
        }
        for (std::size_t a = 0; a < wipers_.size(); ++a)
            for (std::size_t b = a + 1; b < wipers_.size(); ++b) check_touch(a, b, static_cast<double>(n));
        for (Wiper& w : wipers_) draw(w);
    }

    // The step after frame n for the parts that may touch: each is drawn at
    // its own looks, and each two that may touch are compared at the looks of
    // either, the other posed there for the comparison alone.
    void between_near(std::int64_t n) {
        std::vector<std::uint32_t> next(wipers_.size(), 1);
        std::vector<char> own(wipers_.size()), posed(wipers_.size());
        for (;;) {
            // The earliest look still to come, i / count compared exactly.
            std::size_t first = wipers_.size();
            for (std::size_t k = 0; k < wipers_.size(); ++k) {
                const Wiper& w = wipers_[k];
                if (w.near.empty() || next[k] >= w.samples.count) continue;
                if (first == wipers_.size() ||
                    std::uint64_t{next[k]} * wipers_[first].samples.count <
                        std::uint64_t{next[first]} * w.samples.count)
                    first = k;
            }
            if (first == wipers_.size()) return;
            stop_clock_.poll();
            const double t = between(n, next[first], wipers_[first].samples.count);
            for (std::size_t k = 0; k < wipers_.size(); ++k) {
                const Wiper& w = wipers_[k];
                own[k] = !w.near.empty() && next[k] < w.samples.count &&
                         std::uint64_t{next[k]} * wipers_[first].samples.count ==
                             std::uint64_t{next[first]} * w.samples.count;
                posed[k] = false;
            }
            for (std::size_t k = 0; k < wipers_.size(); ++k) {
                if (!own[k]) continue;
                posed[k] = true;
                for (const std::size_t m : wipers_[k].near) posed[m] = true;
            }
            for (std::size_t k = 0; k < wipers_.size(); ++k)
                if (posed[k]) pose(wipers_[k], t, false);
            for (std::size_t k = 0; k < wipers_.size(); ++k)
                for (const std::size_t m : wipers_[k].near)
                    if (k < m && (own[k] || own[m])) check_touch(k, m, t);
            for (std::size_t k = 0; k < wipers_.size(); ++k)
                if (own[k]) {
                    draw(wipers_[k]);
                    ++next[k];
                }
        }
    }

    ClipArea picture_;
    const BladeTurns& turns_;
    std::vector<Wiper>& wipers_;
    const Hooks& hooks_;
    StopClock stop_clock_;
    RasterScratch scratch_;
    std::vector<Touch> touches_; // [a * count + b] for a < b
};

std::string pixels_text(double px) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", px);
    return text;
}

} // namespace

void pose_every_frame(const Part& part, const BladeTurns& turns, const Hooks& hooks) {
    check_stop(hooks, field_stopped_message);
    StopClock stop_clock(hooks, field_stopped_message);
    const PreparedPart prepared(part);
    point_slots_array points{};
    double blade_angle = 0;
    for (std::int64_t n = 1; n <= part.frame_count; ++n) {
        if (n % 64 == 0) stop_clock.poll(); // a pose takes a microsecond or so; the clock is looked at less often
        pose_part(prepared, turns, static_cast<double>(n), blade_angle, points);
    }
}

WipedField follow_sweep(ClipArea picture, const BladeTurns& turns, const std::vector<Part>& parts,
                        const std::vector<Zone>& zones, const Hooks& hooks) {
    WipedField field;
    field.carried_wipe =
        std::any_of(parts.begin(), parts.end(), [](const Part& p) { return p.kind == PartKind::carried; });
    std::vector<Wiper> wipers;
    wipers.reserve(parts.size());
    for (const Part& part : parts) {
        if (field.carried_wipe && part.kind != PartKind::carried) continue; // the arms never touch the glass
        Wiper& w = wipers.emplace_back(part, picture);
        w.motion = step_motion(part, turns, picture);
        w.samples = step_samples(w.motion, most_samples_per_step);
    }

    SweepFollower follower(picture, turns, wipers, hooks);
    follower.run();
    follower.warn_touches();
    for (const Wiper& w : wipers)
        if (w.approximate && hooks.warn)
            hooks.warn(w.part->name + " moves up to " + pixels_text(w.motion.inside) +
                       " px a frame step inside the picture; looked at " + std::to_string(most_samples_per_step) +
                       " times a step, its wiped field is approximate (up to " + pixels_text(w.samples.gap) +
                       " px between two looks, where 0.5 px is exact)");

    field.picture_pixels = static_cast<std::uint64_t>(picture.width) * static_cast<std::uint64_t>(picture.height);
    field.wiped_mask = std::make_unique<PixelMask>(picture.width, picture.height);
    field.twice_mask = std::make_unique<PixelMask>(picture.width, picture.height);
    StopClock stop_clock(hooks, field_stopped_message);
    for (Wiper& w : wipers) {
        stop_clock.poll();
        PixelMask& mask = w.rows.mask();
        field.wiped_mask->add_counting_twice(mask, *field.twice_mask);
        field.parts.push_back({w.part->name, mask.count(), std::nullopt, std::move(mask)});
    }
    field.together = field.wiped_mask->count();
    field.by_two_or_more = field.twice_mask->count();

    PixelMask zone_mask(picture.width, picture.height);
    field.zone_mask = std::make_unique<PixelMask>(picture.width, picture.height);
    RasterScratch scratch;
    for (const Zone& zone : zones) {
        stop_clock.poll();
        zone_mask.clear();
        rasterize_polygon(zone.outline, picture, scratch, zone_mask);
        field.zones.push_back(
            {zone.name, zone.required, zone_mask.count(), zone_mask.count_common(*field.wiped_mask), zone_mask});
        field.zone_mask->add(zone_mask);
    }
    return field;
}

} // namespace wiper
