// A stop (Ctrl-C) ends the wiped field's work within the deadline, however
// long the step it lands in would take: status 30, its own one line, and no
// picture or temporary file left behind.
#include <gtest/gtest.h>

#include <csignal>

#include "support/platform.h"
#include "support/process.h"
#include "support/run_binary.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string part;        // coordinate_blade_nr.txt
    double busy_seconds;     // processor time the run has spent, well inside the step, when Ctrl-C comes
    const char* says;
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.name; }

class FieldStop : public testing::TestWithParam<Row> {};

TEST_P(FieldStop, EndsWithinTheDeadlineWithItsOwnLine) {
    WIPER_SKIP_WITHOUT_POSIX_SIGNALS();
    WIPER_SKIP_WITHOUT_PROC();
    const Row& row = GetParam();
    test::TempFolder root;
    const fs::path folder = root / "scene";
    fs::create_directories(folder / "buffer");
    test::TempFolder::write_to(folder / "immagini.txt", "w,40,30\n");
    test::TempFolder::write_to(folder / "rotazione_spazzole.txt", "30,-30\n");
    test::TempFolder::write_to(folder / "coordinate_blade_nr.txt", row.part);
    std::vector<std::string> args = row.args;
    args.push_back(test::utf8_string(folder));

    test::TempFolder scratch;
    test::Process run(WIPER_BINARY, args, scratch / "out", scratch / "err");
    // Reading the scene takes a few milliseconds of processor time; past it the run is in the long step.
    const auto until = test::Clock::now() + 60s;
    while (run.cpu_seconds() < row.busy_seconds && test::Clock::now() < until && !run.wait_for(0s))
        std::this_thread::sleep_for(5ms);
    ASSERT_GE(run.cpu_seconds(), row.busy_seconds) << "the run never got busy: " << test::slurp(scratch / "err");
    run.send(SIGINT);
    const auto ending = run.wait_for(2s); // the deadline is half a second; the rest is for a loaded machine
    const std::string err = test::slurp(scratch / "err");
    ASSERT_TRUE(ending && ending->exited) << "still running 2 s after Ctrl-C: " << err;
    EXPECT_EQ(ending->status, 30) << err;
    EXPECT_EQ(err, std::string("wiper-render: stopped: ") + row.says + "\n");
    EXPECT_TRUE(fs::is_empty(folder / "buffer"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FieldStop,
    testing::Values(Row{"PosingAPartOfTwoBillionFrames",
                        {"--wiped-only"},
                        "2000000000,90,20,15\n20,5\n15,0\n25,0\n25,10\n15,10\n",
                        0.3,
                        "the run was stopped while it followed the sweep for the wiped field"}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
