#include "batch/run_batch.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <span>

#include "batch/folder_lookup.h"
#include "batch/part_file.h"
#include "batch/part_listing.h"
#include "batch/settings_files.h"
#include "common/ascii.h"
#include "common/failure.h"
#include "geometry/poses.h"
#include "imaging/bmp_frame_store.h"
#include "imaging/frame_files.h"
#include "imaging/surface_steps.h"
#include "platform/files.h"

namespace wiper {

namespace {

void check_stop(const RunHooks& hooks) {
    if (hooks.stop_requested && hooks.stop_requested())
        throw Failure(FailureKind::stopped, "the run was stopped; every frame file saved so far is whole");
}

void warn(const RunHooks& hooks, const std::string& message) {
    if (hooks.warn) hooks.warn(message);
}

// A frame file as the user finds it inside the program folder.
std::string shown_frame(const Module1& m, std::int64_t n) {
    return files::join("buffer", m.image_name + "_" + std::to_string(n) + ".bmp");
}

std::string frame_range(std::int64_t first, std::int64_t last) {
    return first == last ? "frame " + std::to_string(first)
                         : "frames " + std::to_string(first) + " to " + std::to_string(last);
}

std::string frames_drawn(std::int64_t n) {
    return n == 0 ? "no frame" : n == 1 ? "1 frame" : std::to_string(n) + " frames";
}

} // namespace

std::string backup_copy_warning(const std::string& name) {
    // Every name beginning with "coordinate" is a part, so an editor's backup
    // of a part file is drawn too, usually a second time over the part it copies.
    const auto ends_with = [&](const char* tail) { return ends_with_ignoring_case(name, tail); };
    if (!(ends_with("~") || ends_with(".bak") || ends_with(".orig") || ends_with(".swp") || ends_with(".tmp"))) return {};
    return name + " looks like a backup or editor copy, yet it is drawn as a part (every file whose name "
                  "begins with coordinate is one); move it out of the folder if it is not meant to be drawn";
}

RunSetup prepare_run(Module1& m, FrameSurface* surface, const std::string& folder) {
    expect_folder(folder, folder, "give the folder that holds immagini.txt and the part files");
    read_image_settings(m, folder);
    RunSetup setup;
    setup.turns = read_blade_turns(folder);
    try {
        if (surface)
            surface->set_size(m.image_width, m.image_height);
        else
            FrameSurface::check_size(m.image_width, m.image_height);
    } catch (const Failure& failure) {
        // A size refused came from the image settings: name the file the user
        // must mend. Memory that cannot be had is no fault of the file.
        if (failure.kind() != FailureKind::invalid_size) throw;
        throw Failure(failure.kind(), files::join(folder, image_settings_file) + ": " + failure.what());
    }

    // The run writes only into buffer/, so the folder's part files cannot change
    // under it: one listing serves the whole run.
    setup.parts = list_files_named(folder, part_file_prefix);
    if (setup.parts.empty())
        throw Failure(FailureKind::file_access,
                      "no part file: " + folder + " holds no file whose name begins with coordinate");
    expect_folder(files::join(folder, "buffer"), files::join(folder, "buffer"), "the frames are written into a folder named buffer");
    expect_buffer_apart(folder, files::join(folder, "buffer"));
    return setup;
}

RunSummary run_batch(Module1& m, FrameSurface& surface, const std::string& folder, const RunHooks& hooks,
                     const RunOptions& options) {
    const RunSetup setup = prepare_run(m, &surface, folder);
    const BladeTurns& turns = setup.turns;
    const std::vector<std::string>& parts = setup.parts;
    if (hooks.before_parts) hooks.before_parts(m);

    RunSummary summary;
    summary.turns = turns;
    // Decoding a leftover is the one step whose length the input decides: it
    // looks for a stop request between rows too, on a clock, so that the
    // window's events are not handled thousands of times a frame.
    auto last_look = std::chrono::steady_clock::now();
    BmpFrameStore store([&hooks, &last_look] {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_look < std::chrono::milliseconds(20)) return;
        last_look = now;
        check_stop(hooks);
    });
    FrameFiles files(store, options.rebuild_memory);
    RasterScratch scratch;
    std::int64_t written = 0; // frames 1 to this were saved by this run
    std::string longest;      // the earlier part that drew them
    for (std::size_t index = 0; index < parts.size(); ++index) {
        const std::string& name = parts[index];
        const bool first_part = index == 0;
        check_stop(hooks);
        if (const std::string copy = backup_copy_warning(name); !copy.empty()) warn(hooks, copy);
        legge_files_coordinate(m, folder, name);
        double blade_angle = 0.0;
        const bool carried = m.part.carried;
        const std::int64_t frames = m.part.frame_count; // the bound is taken once
        if (frames <= 0)
            warn(hooks, name + ": frame_count is " + std::to_string(frames) + ", so this part draws no frame");
        else if (!first_part && frames < written)
            warn(hooks, name + " has " + frames_drawn(frames) + " but " + longest + " before it has " +
                            std::to_string(written) + ": " + frame_range(frames + 1, written) +
                            (frames + 1 == written ? " lacks it" : " lack it"));

        // Frames past those this run saved can only come from an earlier run.
        std::int64_t leftover_first = 0, leftover_last = 0;
        const auto report_leftovers = [&] {
            if (leftover_first == 0) return;
            warn(hooks, name + " draws over " + frame_range(leftover_first, leftover_last) +
                            " left in buffer/ by an earlier run: the parts before it drew " + frames_drawn(written));
        };
        try {
            for (std::int64_t n = 1; n <= frames; ++n) {
                check_stop(hooks);
                if (hooks.progress) hooks.progress(index + 1, parts.size(), name, n, frames);
                const std::span<const screen_point> polygon =
                    pose_part(m.part, turns, static_cast<double>(n), blade_angle, m.frame_points);

                const std::string path = frame_file_path(folder, m.image_name, n);
                std::optional<FrameInProgress> frame;
                if (first_part) {
                    frame.emplace(files.begin_from_white(surface, path, n));
                } else if (n > written) {
                    try {
                        frame.emplace(files.begin_from_file(surface, path, n));
                    } catch (const Failure& failure) {
                        if (failure.kind() != FailureKind::file_not_found) throw;
                        throw Failure(FailureKind::file_not_found,
                                      name + ", frame " + std::to_string(n) + ": " + shown_frame(m, n) +
                                          " does not exist; the parts before it drew " + frames_drawn(written));
                    }
                    if (leftover_first == 0) leftover_first = n;
                    leftover_last = n;
                } else {
                    frame.emplace(files.begin_from_file(surface, path, n));
                }

                frame->draw(DrawOperation{part_ink, polygon}, scratch);
                if (hooks.refresh) hooks.refresh(surface);
                check_stop(hooks);
                files.save(std::move(*frame));
            }
        } catch (const Failure&) {
            report_leftovers();
            throw;
        }
        report_leftovers();
        summary.parts.push_back({name, carried, std::max<std::int64_t>(frames, 0)});
        summary.as_read.push_back(m.part);
        if (frames > written) {
            written = frames;
            longest = name;
        }
    }
    summary.frames_written = written;
    if (written > 0) {
        summary.first_frame = shown_frame(m, 1);
        summary.last_frame = shown_frame(m, written);
    }
    return summary;
}

} // namespace wiper
