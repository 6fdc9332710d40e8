#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/module1.h"
#include "geometry/poses.h"
#include "imaging/frame_files.h"
#include "imaging/frame_surface.h"

namespace wiper {

// How the run reaches whoever shows or steers it. Any of them may be left empty.
struct RunHooks {
    // Called once a frame's polygon is drawn, before the frame is saved, so a
    // window can show it.
    std::function<void(const FrameSurface&)> refresh;
    // Polled before every frame and again just before each save; true stops the
    // run with a "stopped" failure, leaving every saved frame whole.
    std::function<bool()> stop_requested;
    // Input that is legal but probably a mistake; one message per call. The run
    // goes on as if nothing was said.
    std::function<void(const std::string&)> warn;
    // Before each frame is drawn: part `part` of `parts` (from 1), its file name,
    // and frame `frame` of its `frames`.
    std::function<void(std::size_t part, std::size_t parts, const std::string& name, std::int64_t frame,
                       std::int64_t frames)>
        progress;
    // Once the settings are read, the surface sized and the part files listed,
    // before the first part file is read: where the inputs a run's report
    // needs are checked, so a mistake in them costs no frame.
    std::function<void(const Module1&)> before_parts;
};

// What a run is told besides its folder.
struct RunOptions {
    // The most memory the record of the polygons drawn into each frame may
    // take; past it, later parts read frames back rather than rebuild them.
    std::uint64_t rebuild_memory = default_rebuild_memory;
};

// What a finished run did, for its report.
struct RunSummary {
    struct Part {
        std::string name; // the part file's name
        bool carried = false;
        std::int64_t frames = 0; // frames drawn; 0 when frame_count is 0 or negative
    };
    std::vector<Part> parts;          // in the order they were drawn
    std::int64_t frames_written = 0;  // frames 1 to this were saved
    std::string first_frame;          // as named inside the folder, e.g. buffer/wiper_1.bmp
    std::string last_frame;
    BladeTurns turns;                 // the blade turn settings the run used
    std::vector<wiper::Part> as_read; // every part file as it was read and drawn, in order
};

// What a run reads before any part file: the image settings into `m`, the
// blade turns, and the listing of part files, after checking that the folder
// and its buffer/ are there. The picture size is checked as the surface takes
// it; with a surface, it is also sized. Fails as the run would.
struct RunSetup {
    BladeTurns turns;
    std::vector<std::string> parts; // in the order they are drawn
};
RunSetup prepare_run(Module1& m, FrameSurface* surface, const std::string& folder);

// The warning for a part file named like a backup or editor copy (ending in
// "~", ".bak", ".orig", ".swp" or ".tmp"), or empty for any other name.
std::string backup_copy_warning(const std::string& name);

// The whole job: reads the settings and every part file of `folder`, and for
// every frame of every part draws the part's polygon over a white frame (first
// part) or over the frame file the earlier parts left, and saves it to
// folder/buffer/. The first failure stops the run by throwing a Failure; frame
// files saved before it stay.
RunSummary run_batch(Module1& m, FrameSurface& surface, const std::string& folder, const RunHooks& hooks = {},
                     const RunOptions& options = {});

} // namespace wiper
