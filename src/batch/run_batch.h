#pragma once
#include <functional>
#include <string>

#include "common/module1.h"
#include "imaging/frame_surface.h"

namespace wiper {

// How the run reaches whoever shows or steers it. Both may be left empty.
struct RunHooks {
    // Called once a frame's polygon is drawn, before the frame is saved, so a
    // window can show it.
    std::function<void(const FrameSurface&)> refresh;
    // Polled before every frame and again just before each save; true stops the
    // run with a "stopped" failure, leaving every saved frame whole.
    std::function<bool()> stop_requested;
};

// The whole job: reads the settings and every part file of `folder`, and for
// every frame of every part draws the part's polygon over a white frame (first
// part) or over the frame file the earlier parts left, and saves it to
// folder/buffer/. The first failure stops the run by throwing a Failure; frame
// files saved before it stay.
void run_batch(Module1& m, FrameSurface& surface, const std::string& folder, const RunHooks& hooks = {});

} // namespace wiper
