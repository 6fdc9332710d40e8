#include <gtest/gtest.h>

#include <filesystem>

#include "batch/run_batch.h"
#include "common/failure.h"
#include "support/failure_of.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

using test::TempFolder;

TEST(RunBatch, StopDuringTheRefreshOfAFrameKeepsItFromBeingSaved) {
    TempFolder dir;
    test::write_scene(dir.path(), 20, 20, {{"coordinate.txt", "3,90,10,10\n5,5\n15,5\n10,15\n"}}, "30,30");
    bool stop = false;
    int refreshed = 0;
    RunOptions options;
    options.refresh = [&](const FrameSurface&) {
        ++refreshed;
        stop = true; // as a key pressed while frame 1 is on screen
    };
    Hooks hooks;
    hooks.stop_requested = [&] { return stop; };
    Module1 m;
    FrameSurface surface;
    EXPECT_EQ(test::kind_of([&] { run_batch(m, surface, dir.str(), read_folder_inputs(dir.str()), hooks, options); }),
              FailureKind::stopped);
    EXPECT_EQ(refreshed, 1);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "buffer"));
}

} // namespace
} // namespace wiper
