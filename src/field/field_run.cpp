#include "field/field_run.h"

#include "batch/frame_names.h"
#include "batch/part_file.h"
#include "batch/part_listing.h"
#include "common/failure.h"
#include "field/clearance.h"
#include "field/field_picture.h"
#include "field/field_vector.h"
#include "platform/files.h"

namespace wiper {

std::vector<Zone> read_run_zones(const ImageSettings& image, const std::string& folder, const Hooks& hooks,
                                 const char* stopped) {
    const auto warn = [&](const std::string& message) {
        if (hooks.warn) hooks.warn(message);
    };
    StopClock stop_clock(hooks, stopped);
    return read_zones(folder, ClipArea{image.width, image.height}, warn, stop_clock.between());
}

std::optional<CountedGlass> read_run_glass(const ImageSettings& image, const std::string& folder,
                                           const std::vector<Zone>& zones, const Hooks& hooks, const char* stopped) {
    const auto warn = [&](const std::string& message) {
        if (hooks.warn) hooks.warn(message);
    };
    StopClock stop_clock(hooks, stopped);
    std::optional<Glass> glass = read_glass(folder, warn, stop_clock.between());
    if (!glass) return std::nullopt;
    const ClipArea picture{image.width, image.height};
    GlassPixels pixels = glass_pixels(*glass, picture);
    PixelMask zone_mask(picture.width, picture.height);
    RasterScratch scratch;
    for (const Zone& zone : zones) {
        stop_clock.poll();
        zone_mask.clear();
        rasterize_polygon(zone.outline, picture, scratch, zone_mask);
        if (zone_mask.count_common(pixels.counted) == 0)
            throw Failure(FailureKind::index_out_of_range,
                          files::join(folder, zone.name) + ": no pixel of the zone is counted: none lies on " +
                              glass->name + " at least " + std::to_string(glass->border) + " px in from its edge");
    }
    return CountedGlass{std::move(*glass), std::move(pixels)};
}

std::vector<Part> read_field_parts(const std::string& folder, const FolderInputs& inputs, const Hooks& hooks) {
    std::vector<Part> parts;
    StopClock stop_clock(hooks, field_stopped_message);
    Part before;
    std::int64_t drawn = 0; // the most frames of a part so far, as the run counts them for its warnings
    std::string longest;
    for (const std::string& name : inputs.parts) {
        if (const std::string copy = backup_copy_warning(name); !copy.empty() && hooks.warn) hooks.warn(copy);
        Part part = read_part(folder, name, before, stop_clock.between());
        if (hooks.part_read) hooks.part_read(part);
        if (const std::string count = frame_count_warning(name, part.frame_count, drawn, longest);
            !count.empty() && hooks.warn)
            hooks.warn(count);
        pose_every_frame(part, inputs.turns, hooks);
        if (part.frame_count > drawn) {
            drawn = part.frame_count;
            longest = name;
        }
        parts.push_back(part);
        before = std::move(part);
    }
    return parts;
}

WipedField make_wiped_field(const ImageSettings& image, const std::string& folder, const FieldScene& scene,
                            const Hooks& hooks) {
    warn_blades_without_arm(scene.parts, hooks);
    WipedField field =
        follow_sweep(ClipArea{image.width, image.height}, scene.turns, scene.parts, scene.zones, hooks);
    if (scene.glass)
        count_on_glass(field, scene.glass->glass, scene.glass->pixels);
    field.clearance = find_clearance(scene.turns, scene.parts, hooks);
    const FrameNames names(folder, image.name);
    save_field_picture(field, scene.zones, names.field_picture(), hooks);
    save_field_vector(field, scene.zones, names.field_vector(), hooks);
    return field;
}

} // namespace wiper
