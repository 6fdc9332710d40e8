#include "field/field_run.h"

#include "batch/frame_names.h"
#include "batch/part_file.h"
#include "batch/part_listing.h"
#include "field/clearance.h"
#include "field/field_picture.h"
#include "field/field_vector.h"

namespace wiper {

std::vector<Zone> read_run_zones(const ImageSettings& image, const std::string& folder, const Hooks& hooks,
                                 const char* stopped) {
    const auto warn = [&](const std::string& message) {
        if (hooks.warn) hooks.warn(message);
    };
    StopClock stop_clock(hooks, stopped);
    return read_zones(folder, ClipArea{image.width, image.height}, warn, stop_clock.between());
}

std::vector<Part> read_field_parts(const std::string& folder, const FolderInputs& inputs, const Hooks& hooks) {
    std::vector<Part> parts;
    StopClock stop_clock(hooks, field_stopped_message);
    Part before;
    for (const std::string& name : inputs.parts) {
        if (const std::string copy = backup_copy_warning(name); !copy.empty() && hooks.warn) hooks.warn(copy);
        Part part = read_part(folder, name, before, stop_clock.between());
        pose_every_frame(part, inputs.turns, hooks);
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
    field.clearance = find_clearance(scene.turns, scene.parts, hooks);
    const FrameNames names(folder, image.name);
    save_field_picture(field, scene.zones, names.field_picture(), hooks);
    save_field_vector(field, scene.zones, names.field_vector(), hooks);
    return field;
}

} // namespace wiper
