// A stop while the program's output waits for a reader that never reads: the
// run still ends with the stopped status within its deadline, never stuck in
// a write until the reader wakes.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "support/run_binary.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct BlockedCase {
    const char* name;
    int held_stream;              // the stream that is full: 2 standard error, 1 standard output
    std::vector<std::string> args; // before the folder; none for a row without one
    bool folder = true;
    const char* err_after;         // standard error but its warnings, unless it is the held stream
};

std::ostream& operator<<(std::ostream& os, const BlockedCase& c) { return os << c.name; }

class BlockedOutput : public testing::TestWithParam<BlockedCase> {};

TEST_P(BlockedOutput, StopEndsTheRunInTime) {
    WIPER_SKIP_WITHOUT_POSIX_SIGNALS();
    WIPER_SKIP_WITHOUT_PROC();
    const BlockedCase& c = GetParam();
    test::TempFolder dir, scratch;
    fs::create_directories(dir / "buffer");
    test::TempFolder::write_to(dir / "immagini.txt", "\"w\",40,30\n");
    test::TempFolder::write_to(dir / "rotazione_spazzole.txt", "30,-30\n");
    // Named like a backup, the part is warned about as it starts.
    test::TempFolder::write_to(dir / "coordinate_1.txt.bak", "3,90,20,15\n12,8\n28,8\n28,22\n12,22\n");
    std::vector<std::string> args = c.args;
    if (c.folder) args.push_back(dir.str());
    test::Launch launch;
    launch.held = true;
    launch.held_stream = c.held_stream;
    test::Process run(WIPER_BINARY, args, scratch / "out", scratch / "err", launch);
    ASSERT_TRUE(run.started());
    const auto until = test::Clock::now() + 60s;
    while (!run.blocked_at_message() && test::Clock::now() < until) std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(run.blocked_at_message()) << "the run never waited on its output";

    const auto sent = test::Clock::now();
    run.send(SIGTERM);
    const std::optional<test::Ending> ending = run.wait_for(20s);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(test::Clock::now() - sent);
    ASSERT_TRUE(ending.has_value()) << "still running 20 s after SIGTERM";
    // Half a second is the promise; the rest is room for a loaded machine.
    EXPECT_LT(took, 1s) << "stopping took " << took.count() << " ms";
    ASSERT_TRUE(ending->exited) << "ended by the signal";
    EXPECT_EQ(ending->status, 30);
    if (c.held_stream != 2) {
        EXPECT_EQ(test::without_warnings(test::slurp(scratch / "err")), c.err_after);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stops, BlockedOutput,
    testing::Values(BlockedCase{"WarningOnAFullStderr", 2, {"--headless"}, true, ""},
                    // The frames are all saved; the summary waits.
                    BlockedCase{"SummaryOnAFullStdout", 1, {"--headless"}, true,
                                "wiper-render: stopped: the run was stopped while its output waited to be read\n"},
                    BlockedCase{"VersionOnAFullStdout", 1, {"--version"}, false,
                                "wiper-render: stopped: the run was stopped while its output waited to be read\n"}),
    [](const testing::TestParamInfo<BlockedCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
