#include "field/field_run.h"

#include "batch/part_file.h"
#include "field/field_picture.h"
#include "platform/files.h"

namespace wiper {

std::vector<Zone> read_run_zones(const Module1& m, const std::string& folder, const FieldHooks& hooks) {
    const auto warn = [&](const std::string& message) {
        if (hooks.warn) hooks.warn(message);
    };
    return read_zones(folder, ClipArea{m.image_width, m.image_height}, warn);
}

FieldScene read_field_scene(Module1& m, const std::string& folder, const FieldHooks& hooks) {
    const RunSetup setup = prepare_run(m, nullptr, folder);
    FieldScene scene;
    scene.turns = setup.turns;
    scene.zones = read_run_zones(m, folder, hooks);
    // Read over one another as the run reads them: a part without points
    // keeps the slots of the part before it. Each is posed at its frames as
    // soon as it is read, so the first mistake is the one the run would meet.
    for (const std::string& name : setup.parts) {
        if (const std::string copy = backup_copy_warning(name); !copy.empty() && hooks.warn) hooks.warn(copy);
        legge_files_coordinate(m, folder, name);
        pose_every_frame(m.part, scene.turns, hooks);
        scene.parts.push_back(m.part);
    }
    return scene;
}

WipedField make_wiped_field(const Module1& m, const std::string& folder, const FieldScene& scene,
                            const FieldHooks& hooks) {
    WipedField field =
        follow_sweep(ClipArea{m.image_width, m.image_height}, scene.turns, scene.parts, scene.zones, hooks);
    save_field_picture(field, scene.zones, files::join(files::join(folder, "buffer"), field_picture_name(m.image_name)));
    return field;
}

std::string shown_field_picture(const Module1& m) { return files::join("buffer", field_picture_name(m.image_name)); }

} // namespace wiper
