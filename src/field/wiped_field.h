#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/hooks.h"
#include "common/part.h"
#include "field/clearance.h"
#include "field/glass.h"
#include "field/pixel_mask.h"
#include "field/zones.h"
#include "geometry/poses.h"

namespace wiper {

// What a stop says when it ends the field's work: reading its parts, posing
// them, following the sweep, saving its picture.
inline constexpr const char* field_stopped_message =
    "the run was stopped while it followed the sweep for the wiped field";

// The part at each of its frames, as the run poses it: a part the run would
// stop on stops here the same way, with the same message. A stop request is
// looked for all along (see StopClock), however many frames the part has.
void pose_every_frame(const Part& part, const BladeTurns& turns, const Hooks& hooks);

// Poses a frame step is looked at, at most: beyond it the field is approximate, and says so.
inline constexpr std::uint32_t most_samples_per_step = 4096;

// What the blades wipe over the whole sweep, and how much of each zone.
struct WipedField {
    struct PartField {
        std::string name;
        std::uint64_t pixels = 0;
        std::optional<std::uint64_t> off_glass; // of them, those not on the glass; none without a glass file
        PixelMask mask{0, 0};                   // the pixels it wipes, kept for the pictures
    };
    struct ZoneShare {
        std::string name;
        int required = 0;
        std::uint64_t pixels = 0; // the zone's counted pixels: inside the picture, and on the glass in from its border
        std::uint64_t wiped = 0;  // of them, those wiped
        PixelMask counted{0, 0};  // those pixels, kept for the pictures
        // Compared on the exact counts, so a share a hair short is short.
        bool met() const { return wiped * 100 >= static_cast<std::uint64_t>(required) * pixels; }
    };
    bool carried_wipe = true;     // the carried parts wipe; false: there is none, so every part does
    std::vector<PartField> parts; // the wiping parts, in drawing order
    std::uint64_t picture_pixels = 0;
    std::uint64_t together = 0;   // wiped by any part
    std::uint64_t by_two_or_more = 0;
    std::vector<ZoneShare> zones;

    // The glass, when the folder has a glass file.
    struct GlassArea {
        std::string name;
        int border = 0;
        std::uint64_t pixels = 0;  // on the glass
        std::uint64_t counted = 0; // of them, those at least `border` px in from its outline
        std::vector<screen_point> outline;
        GlassPixels masks;
    };
    std::optional<GlassArea> glass;

    // The closest approach of each pair of wipers.
    std::vector<Approach> clearance;

    // Per pixel: wiped by any part, by two or more, and inside a zone. Kept for the picture.
    std::unique_ptr<PixelMask> wiped_mask, twice_mask, zone_mask;
};

// Follows every wiping part through its continuous sweep, t from 1 to its
// frame_count: every whole t exactly as its frame is drawn, and enough poses
// between frames that no point inside the picture moves more than half a pixel
// from one to the next (up to most_samples_per_step a step). A part's field is
// every pixel it covers at one of them, by the frames' own drawing rules.
//
// `parts` are the part files as the run read them, in its order, each of
// which poses at all its frames (see pose_every_frame). Two wiping parts that
// cover a common pixel at the same pose are warned about, once per pair, with
// the frames between which they touch.
WipedField follow_sweep(ClipArea picture, const BladeTurns& turns, const std::vector<Part>& parts,
                        const std::vector<Zone>& zones, const Hooks& hooks);

} // namespace wiper
