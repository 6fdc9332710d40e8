#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "batch/folder_inputs.h"
#include "common/hooks.h"
#include "common/module1.h"
#include "imaging/frame_files.h"
#include "imaging/frame_surface.h"

namespace wiper {

// What a stop says when it ends the run while it reads or draws.
inline constexpr const char* run_stopped_message = "the run was stopped; every frame file saved so far is whole";

// What a run is told besides its folder and hooks.
struct RunOptions {
    // The most memory the record of the polygons drawn into each frame may
    // take; past it, later parts read frames back rather than rebuild them.
    std::uint64_t rebuild_memory = default_rebuild_memory;
    // Called once a frame's polygon is drawn, before the frame is saved, so a
    // window can show it. May be left empty.
    std::function<void(const FrameSurface&)> refresh;
};

// What a finished run did, for its report.
struct RunSummary {
    struct Part {
        std::string name; // the part file's name
        PartKind kind = PartKind::swept;
        std::int64_t frames = 0; // frames drawn; 0 when frame_count is 0 or negative
    };
    std::vector<Part> parts;          // in the order they were drawn
    std::int64_t frames_written = 0;  // frames 1 to this were saved
    std::string first_frame;          // as named inside the folder, e.g. buffer/wiper_1.bmp
    std::string last_frame;
    std::vector<wiper::Part> as_read; // every part file as it was read and drawn, in order
};

// The whole job, once the folder's inputs are read (read_folder_inputs): the
// image settings go into `m` and size the surface, then every part file of
// inputs.parts is read into m.part just before it is drawn, and for every
// frame of it the part's polygon is drawn over a white frame (first part) or
// over the frame file the earlier parts left, and saved to folder/buffer/.
// Hooks are polled before every frame and again just before each save. The
// first failure stops the run by throwing a Failure; frame files saved before
// it stay.
RunSummary run_batch(Module1& m, FrameSurface& surface, const std::string& folder, const FolderInputs& inputs,
                     const Hooks& hooks = {}, const RunOptions& options = {});

} // namespace wiper
