#include "batch/run_batch.h"

#include <span>

#include "batch/part_file.h"
#include "batch/part_listing.h"
#include "batch/settings_files.h"
#include "common/failure.h"
#include "geometry/poses.h"
#include "imaging/frame_files.h"
#include "imaging/rasterizer.h"
#include "imaging/surface_steps.h"
#include "platform/files.h"

namespace wiper {

namespace {

void check_stop(const RunHooks& hooks) {
    if (hooks.stop_requested && hooks.stop_requested())
        throw Failure(FailureKind::stopped, "the run was stopped; every frame file saved so far is whole");
}

// The polygon of the frame: a carried part draws last_point points (its point 0
// only carries it), a swept part last_point + 1. Fewer than two draw nothing.
std::span<const screen_point> drawn_points(const Module1& m, bool carried) {
    const std::int32_t count = carried ? m.last_point : m.last_point + 1;
    if (count < 2) return {};
    return std::span<const screen_point>(m.frame_points.data(), static_cast<std::size_t>(count));
}

} // namespace

void run_batch(Module1& m, FrameSurface& surface, const std::string& folder, const RunHooks& hooks) {
    read_image_settings(m, folder);
    const BladeTurns turns = read_blade_turns(folder);
    try {
        surface.set_size(m.image_width, m.image_height);
    } catch (const Failure& failure) {
        // The size came from the image settings: name the file the user must mend.
        throw Failure(failure.kind(), files::join(folder, image_settings_file) + ": " + failure.what());
    }

    // The run writes only into buffer/, so the folder's part files cannot change
    // under it: one listing serves the whole run.
    const std::vector<std::string> parts = list_part_files(folder);
    if (parts.empty())
        throw Failure(FailureKind::file_access,
                      "no part file: " + folder + " holds no file whose name begins with coordinate");

    FrameFiles files;
    bool first_part = true;
    for (const std::string& name : parts) {
        check_stop(hooks);
        legge_files_coordinate(m, folder, name);
        double blade_angle = 0.0;
        const bool carried = is_carried_part(name);
        const std::int64_t frames = m.frame_count; // the bound is taken once

        for (std::int64_t n = 1; n <= frames; ++n) {
            check_stop(hooks);
            const auto frame = static_cast<std::int32_t>(n);
            try {
                if (carried)
                    carried_pose(m, frame, turns, blade_angle);
                else
                    swept_pose(m, frame);
            } catch (const Failure& failure) {
                // The pose knows the cause; the user needs the part and frame that reached it.
                throw Failure(failure.kind(), name + ", frame " + std::to_string(n) + ": " + failure.what());
            }

            const std::string path = frame_file_path(folder, m.image_name, n);
            if (first_part)
                clear_to_white(surface);
            else
                files.load_background(surface, path);

            set_ink_black(surface);
            draw_polygon(surface, drawn_points(m, carried));
            if (hooks.refresh) hooks.refresh(surface);
            check_stop(hooks);
            files.save(surface, path);
        }
        first_part = false;
    }
}

} // namespace wiper
