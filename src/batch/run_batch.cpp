#include "batch/run_batch.h"

#include <algorithm>
#include <optional>
#include <span>

#include "batch/frame_names.h"
#include "batch/part_file.h"
#include "batch/part_listing.h"
#include "common/failure.h"
#include "geometry/poses.h"
#include "imaging/bmp_frame_store.h"
#include "imaging/frame_files.h"
#include "imaging/surface_steps.h"
#include "platform/files.h"

namespace wiper {

namespace {

void warn(const Hooks& hooks, const std::string& message) {
    if (hooks.warn) hooks.warn(message);
}

} // namespace

RunSummary run_batch(Module1& m, FrameSurface& surface, const std::string& folder, const FolderInputs& inputs,
                     const Hooks& hooks, const RunOptions& options) {
    m.image_name = inputs.image.name;
    m.image_width = inputs.image.width;
    m.image_height = inputs.image.height;
    try {
        surface.set_size(m.image_width, m.image_height);
    } catch (const Failure& failure) {
        // A size refused came from the image settings: name the file the user
        // must mend. Memory that cannot be had is no fault of the file.
        if (failure.kind() != FailureKind::invalid_size) throw;
        throw Failure(failure.kind(), files::join(folder, image_settings_file) + ": " + failure.what());
    }
    const BladeTurns& turns = inputs.turns;
    const std::vector<std::string>& parts = inputs.parts;
    const FrameNames names(folder, m.image_name);
    const auto check_stop = [&hooks] { wiper::check_stop(hooks, run_stopped_message); };

    RunSummary summary;
    // Decoding a leftover and reading a large part file are the steps whose
    // length the input decides: they look for a stop request between rows
    // and pieces too.
    StopClock stop_clock(hooks, run_stopped_message);
    BmpFrameStore store(stop_clock.between());
    FrameFiles files(store, options.rebuild_memory);
    RasterScratch scratch;
    std::int64_t written = 0; // frames 1 to this were saved by this run
    std::string longest;      // the earlier part that drew them
    for (std::size_t index = 0; index < parts.size(); ++index) {
        const std::string& name = parts[index];
        const bool first_part = index == 0;
        check_stop();
        if (const std::string copy = backup_copy_warning(name); !copy.empty()) warn(hooks, copy);
        legge_files_coordinate(m, folder, name, stop_clock.between());
        if (hooks.part_read) hooks.part_read(m.part);
        const PreparedPart prepared(m.part); // its outline is posed at every frame
        double blade_angle = 0.0;
        const PartKind kind = m.part.kind;
        const std::int64_t frames = m.part.frame_count; // the bound is taken once
        if (const std::string count = frame_count_warning(name, frames, written, longest); !count.empty())
            warn(hooks, count);
        names.check_names_fit(frames, false);

        // Frames past those this run saved can only come from an earlier run.
        std::int64_t leftover_first = 0, leftover_last = 0;
        const auto report_leftovers = [&] {
            if (leftover_first == 0) return;
            warn(hooks, name + " draws over " + frame_range(leftover_first, leftover_last) + " left in " +
                            FrameNames::inside_buffer_shown() +
                            " by an earlier run: the parts before it drew " + frames_drawn(written));
        };
        try {
            for (std::int64_t n = 1; n <= frames; ++n) {
                check_stop();
                if (hooks.progress) hooks.progress(Progress{index + 1, parts.size(), name, n, frames});
                const std::span<const screen_point> polygon =
                    pose_part(prepared, turns, static_cast<double>(n), blade_angle, m.frame_points);

                const std::string path = names.frame(n);
                std::optional<FrameInProgress> frame;
                if (first_part) {
                    frame.emplace(files.begin_from_white(surface, path, n));
                } else if (n > written) {
                    try {
                        frame.emplace(files.begin_from_file(surface, path, n));
                    } catch (const Failure& failure) {
                        if (failure.kind() != FailureKind::file_not_found) throw;
                        throw Failure(FailureKind::file_not_found,
                                      name + ", frame " + std::to_string(n) + ": " + names.shown_frame(n) +
                                          " does not exist; the parts before it drew " + frames_drawn(written));
                    }
                    if (leftover_first == 0) leftover_first = n;
                    leftover_last = n;
                } else {
                    frame.emplace(files.begin_from_file(surface, path, n));
                }

                frame->draw(DrawOperation{part_ink, polygon}, scratch);
                if (options.refresh) options.refresh(surface);
                check_stop();
                files.save(std::move(*frame));
                if (hooks.frame_saved) hooks.frame_saved(n);
            }
        } catch (const Failure&) {
            report_leftovers();
            throw;
        }
        report_leftovers();
        summary.parts.push_back({name, kind, std::max<std::int64_t>(frames, 0)});
        summary.as_read.push_back(m.part);
        if (frames > written) {
            written = frames;
            longest = name;
        }
    }
    summary.frames_written = written;
    if (written > 0) {
        summary.first_frame = names.shown_frame(1);
        summary.last_frame = names.shown_frame(written);
    }
    return summary;
}

} // namespace wiper
