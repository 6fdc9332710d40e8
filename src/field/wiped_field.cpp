#include "field/wiped_field.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/failure.h"
#include "field/span_list.h"
#include "field/sweep_motion.h"

namespace wiper {

namespace {

// One wiping part as the sweep is followed.
struct Wiper {
    const Part* part = nullptr;
    StepMotion motion;
    StepSamples samples;
    PixelMask mask;
    SpanList spans;            // its pixels at the current pose, for the touch check
    double blade_angle = 0;    // the running total through the last whole frame
    point_slots_array points{};
    PointBox at_frame;         // where its last whole frame put it
    std::span<const screen_point> polygon; // at the current pose
    PointBox now;              // where the current pose put it
    bool drawn_now = false;    // posed at the current t, and on the picture
    bool keep_spans = false;   // its spans at the current t are kept for the touch check
    bool this_step = false;    // the current frame step can reach the picture
    bool approximate = false;  // a step that reaches the picture was capped

    Wiper(const Part& p, ClipArea picture) : part(&p), mask(picture.width, picture.height) {}
};

// When two wiping parts touch: the first and last t they share a pixel.
struct Touch {
    double first = 0, last = 0;
    bool seen = false;
};

std::string frame_count_text(double t, bool up) {
    return std::to_string(static_cast<std::int64_t>(up ? std::ceil(t) : std::floor(t)));
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
            pose_all(static_cast<double>(n), n, true);
            // The step to frame n + 1, looked at as often as its fastest
            // part that can reach the picture needs.
            std::uint32_t count = 1;
            for (Wiper& w : wipers_) {
                w.this_step = n < w.part->frame_count && w.at_frame.meets(picture_, w.motion.anywhere + 1.0);
                if (!w.this_step) continue;
                count = std::max(count, w.samples.count);
                if (w.samples.capped) w.approximate = true;
            }
            for (std::uint32_t i = 1; i < count; ++i) {
                stop_clock_.poll();
                pose_all(static_cast<double>(n) + static_cast<double>(i) / count, n, false);
            }
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
    // Every wiping part that is on the glass at t: at a frame (whole t) all
    // parts with that frame; between frames, those whose step can reach the picture.
    void pose_all(double t, std::int64_t n, bool whole) {
        for (Wiper& w : wipers_) {
            w.drawn_now = false;
            if (whole ? n > w.part->frame_count : !w.this_step) continue;
            // Between frames the pose takes the running total as it stands
            // after frame n and adds its share of a step for itself.
            double blade_angle = w.blade_angle;
            w.polygon = pose_part(*w.part, turns_, t, blade_angle, w.points);
            if (whole) w.blade_angle = blade_angle;
            w.now = bounding_box(w.polygon);
            if (whole) w.at_frame = w.now;
            w.drawn_now = !w.polygon.empty() && w.now.meets(picture_);
        }
        // Only parts whose boxes meet can touch; the others go straight into their masks.
        for (std::size_t a = 0; a < wipers_.size(); ++a) {
            Wiper& w = wipers_[a];
            if (!w.drawn_now) continue;
            w.keep_spans = false;
            for (std::size_t b = 0; b < wipers_.size() && !w.keep_spans; ++b)
                w.keep_spans = b != a && wipers_[b].drawn_now && w.now.overlaps(wipers_[b].now);
            if (!w.keep_spans) {
                rasterize_polygon(w.polygon, picture_, scratch_, w.mask);
                continue;
            }
            w.spans.clear();
            rasterize_polygon(w.polygon, picture_, scratch_, w.spans);
            w.spans.replay(w.mask);
        }
        for (std::size_t a = 0; a < wipers_.size(); ++a) {
            if (!wipers_[a].drawn_now || !wipers_[a].keep_spans) continue;
            for (std::size_t b = a + 1; b < wipers_.size(); ++b) {
                if (!wipers_[b].drawn_now || !wipers_[b].keep_spans || !wipers_[a].now.overlaps(wipers_[b].now)) continue;
                if (!wipers_[a].spans.shares_a_pixel_with(wipers_[b].spans)) continue;
                Touch& touch = touches_[a * wipers_.size() + b];
                if (!touch.seen) touch.first = t;
                touch.seen = true;
                touch.last = t;
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
    point_slots_array points{};
    double blade_angle = 0;
    for (std::int64_t n = 1; n <= part.frame_count; ++n) {
        if (n % 64 == 0) stop_clock.poll(); // a pose takes a microsecond or so; the clock is looked at less often
        pose_part(part, turns, static_cast<double>(n), blade_angle, points);
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
        field.wiped_mask->add_counting_twice(w.mask, *field.twice_mask);
        field.parts.push_back({w.part->name, w.mask.count(), std::nullopt, std::move(w.mask)});
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
