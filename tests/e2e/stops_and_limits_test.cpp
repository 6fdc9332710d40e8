// The real program at the edges of what it is given and of when it is told
// to stop: few file descriptors, little address space, files it may not
// replace, Ctrl-C in the middle of a step that would take hours, a stop while
// its output waits for a reader that never reads. Whatever the row, the run
// ends by itself, with its status and its own words, within the deadline of a
// stop; a run that succeeds leaves the very frames, and says the very words,
// of a run of the same scene without the limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <tuple>

#include "support/platform.h"
#include "support/process.h"
#include "support/run_binary.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Clock;
using Make = std::function<void(const fs::path&)>;

constexpr const char* folder_arg = "{folder}"; // stands for the folder on a row's command line
constexpr std::uint64_t mib = std::uint64_t{1} << 20;

// The two-wiper example, with `then` done to the copy.
Make example(Make then = [](const fs::path&) {}) {
    return [then](const fs::path& folder) {
        fs::copy(fs::path(WIPER_EXAMPLES) / "wiper", folder, fs::copy_options::recursive);
        then(folder);
    };
}

// A 40 x 30 picture, a sweep of 30 degrees, and one part.
Make small_scene(const char* part_file, const char* part) {
    return [=](const fs::path& folder) { test::write_scene(folder, 40, 30, {{part_file, part}}); };
}

// A signal sent once the running child is at a known point, and how soon after
// it the run must have ended: half a second is the promise, the rest is room
// for a loaded machine.
struct Stop {
    int signal = 0; // none: the run ends by itself
    std::function<bool(const test::Process&)> ready;
    const char* ready_is = "";
    Clock::duration within{};
};

// Ctrl-C once the run has spent `seconds` of processor time: reading the
// scene takes a few milliseconds, so past that it is in its long step.
Stop ctrl_c_once_busy(double seconds) {
    return {SIGINT, [=](const test::Process& p) { return p.cpu_seconds() >= seconds; }, "got busy", 2s};
}
Stop sigterm_once_blocked_on_output() {
    return {SIGTERM, [](const test::Process& p) { return p.blocked_at_message(); }, "waited on its output", 1s};
}

enum class Then { nothing, buffer_empty, frames_of_a_run_without_the_limit };

struct Row {
    const char* name;
    Make make;                     // the program folder
    std::vector<std::string> args; // folder_arg for the folder
    test::Launch launch;
    Stop stop;
    int status;
    // How the one line of standard error ends, with `/` as the system writes
    // it; a held run's warnings, which are what it blocks on, set aside.
    // Unchecked when null.
    const char* says;
    Then then = Then::nothing;
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.name; }

std::vector<std::string> command_line(const Row& row, const fs::path& folder) {
    std::vector<std::string> args = row.args;
    for (std::string& a : args)
        if (a == folder_arg) a = test::utf8_string(folder);
    return args;
}

class StopsAndLimits : public testing::TestWithParam<Row> {};

TEST_P(StopsAndLimits, EndsWithItsStatusAndItsOwnWordsInTime) {
    const Row& row = GetParam();
    if (row.launch.open_files_limit > 0 && test::is_windows) GTEST_SKIP() << "Windows sets no limit on open files";
    if (row.launch.address_space_limit > 0) {
        WIPER_SKIP_WITHOUT_ADDRESS_SPACE_LIMIT();
    }
    if (row.stop.signal != 0) {
        WIPER_SKIP_WITHOUT_POSIX_SIGNALS();
        WIPER_SKIP_WITHOUT_PROC();
    }
    test::TempFolder root, scratch;
    const fs::path folder = root / "scene";
    row.make(folder);
    if (HasFatalFailure()) return;

    std::optional<test::Ending> ending;
    Clock::duration took{};
    {
        test::Process run(WIPER_BINARY, command_line(row, folder), scratch / "out", scratch / "err", row.launch);
        ASSERT_TRUE(run.started());
        if (row.stop.signal != 0) {
            ASSERT_TRUE(run.send_once(row.stop.signal, [&] { return row.stop.ready(run); }, 60s))
                << "the run never " << row.stop.ready_is << ": " << test::slurp(scratch / "err");
            const auto sent = Clock::now();
            ending = run.wait_for(20s);
            took = Clock::now() - sent;
        } else {
            ending = run.wait_for(60s);
        }
    }
    const std::string out = test::as_on_posix(test::slurp(scratch / "out"));
    const std::string err = test::as_on_posix(test::slurp(scratch / "err"));
    ASSERT_TRUE(ending.has_value()) << "still running: " << err;
    if (row.stop.signal != 0) {
        EXPECT_LT(took, row.stop.within)
            << "stopping took " << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    }
    ASSERT_TRUE(ending->exited) << "ended by a signal: " << err;
    EXPECT_EQ(ending->status, row.status) << err;
    if (row.says != nullptr) {
        const std::string said = row.launch.held ? test::without_warnings(err) : err;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_TRUE(said.ends_with(test::native_path(row.says))) << said;
    }
    if (row.then == Then::buffer_empty) {
        EXPECT_TRUE(fs::is_empty(folder / "buffer"));
    }
    if (row.then == Then::frames_of_a_run_without_the_limit) {
        const fs::path twin = root / "twin";
        row.make(twin);
        const test::RunResult t = test::run_program(WIPER_BINARY, command_line(row, twin), 60s);
        EXPECT_EQ(std::tie(t.status, t.out, t.err), std::tie(ending->status, out, err));
        EXPECT_TRUE(test::contents_of(folder / "buffer") == test::contents_of(twin / "buffer")) << "the frames differ from a run without the limit";
    }
}

std::vector<Row> rows() {
    const std::vector<std::string> quiet = {"--headless", "--quiet", folder_arg};
    const std::vector<std::string> wiped_only = {"--headless", "--quiet", "--wiped-only", folder_arg};
    // Descriptors 0 to 2 taken, one left: as `ulimit -n 4`.
    test::Launch one_descriptor;
    one_descriptor.open_files_limit = 4 + test::sanitizer_descriptors;
    // The child's whole address space. The program itself takes about 25 MiB
    // of it; at 32767 x 10000 a field mask takes 39 MiB and a picture 938 MiB.
    const auto address_space = [](std::uint64_t bytes) {
        test::Launch l;
        l.address_space_limit = bytes;
        return l;
    };
    // Within the size rule (at most 1 GiB of pixels), beyond the memory left.
    const Make too_big_for_memory = example([](const fs::path& folder) {
        test::TempFolder::write_to(folder / "immagini.txt", "\"wiper\",32767,10000\n");
    });
    // Named like a backup, the part is warned about as it starts: a message
    // that blocks on a full stream.
    const Make warns = small_scene("coordinate_1.txt.bak", "3,90,20,15\n12,8\n28,8\n28,22\n12,22\n");
    const auto held = [](int stream) {
        test::Launch l;
        l.held = true;
        l.held_stream = stream;
        return l;
    };
    const char* stopped_on_output = "wiper-render: stopped: the run was stopped while its output waited to be read\n";
    const Then same = Then::frames_of_a_run_without_the_limit;
    return {
        {"OneDescriptorNoRecord", example(), {"--headless", "--quiet", "--rebuild-memory=0", folder_arg},
         one_descriptor, {}, 0, nullptr, same},
        {"OneDescriptorDefaultRecord", example(), quiet, one_descriptor, {}, 0, nullptr, same},
        // The first part draws nothing, so the next reads back frames of an
        // earlier run: one of our own layout, one a byte longer (decoded and
        // written whole), one with a second name (read on a handle of its own).
        {"OneDescriptorLeftoversReadBack", example([](const fs::path& folder) {
             ASSERT_EQ(test::run_program(WIPER_BINARY, {"--headless", "--quiet", test::utf8_string(folder)}).status, 0);
             test::TempFolder::write_to(folder / "coordinate_0.txt", "0,90,0,0\n");
             const fs::path second = folder / "buffer" / "wiper_2.bmp";
             test::TempFolder::write_to(second, test::slurp(second) + '\0');
             fs::create_hard_link(folder / "buffer" / "wiper_3.bmp", folder.string() + "_frame_3.bmp");
         }),
         quiet, one_descriptor, {}, 0, nullptr, same},
        // Not a frame: its failure names it for what it is.
        {"ReadOnlyWipedFieldPicture", example([](const fs::path& folder) {
             test::TempFolder::write_to(folder / "buffer" / "wiper_wiped.bmp", "an earlier picture");
             fs::permissions(folder / "buffer" / "wiper_wiped.bmp", fs::perms(0444));
         }),
         wiped_only, {}, {}, 12,
         "wiper_wiped.bmp: the wiped field's picture is read-only; cannot replace it\n"},
        {"PosingAPartOfTwoBillionFrames",
         small_scene("coordinate_blade_nr.txt", "2000000000,90,20,15\n20,5\n15,0\n25,0\n25,10\n15,10\n"),
         {"--wiped-only", folder_arg}, {}, ctrl_c_once_busy(0.3), 30,
         "wiper-render: stopped: the run was stopped while it followed the sweep for the wiped field\n",
         Then::buffer_empty},
        {"WarningOnAFullStderr", warns, {"--headless", folder_arg}, held(2), sigterm_once_blocked_on_output(), 30,
         nullptr},
        // The frames are all saved; the summary waits.
        {"SummaryOnAFullStdout", warns, {"--headless", folder_arg}, held(1), sigterm_once_blocked_on_output(), 30,
         stopped_on_output},
        {"VersionOnAFullStdout", warns, {"--version"}, held(1), sigterm_once_blocked_on_output(), 30,
         stopped_on_output},
        {"Frame", too_big_for_memory, quiet, address_space(300 * mib), {}, 21,
         "wiper-render: out of memory: the frame of 32767 x 10000 pixels needs 983040000 bytes\n"},
        // The masks of the wiping parts, the wiped pixels and the zones: some cannot be had.
        {"FieldMask", too_big_for_memory, wiped_only, address_space(96 * mib), {}, 21,
         "wiper-render: out of memory: a field mask of 32767 x 10000 pixels needs 40960000 bytes\n"},
        // Every mask fits; the picture drawn from them (983040000 bytes) is
        // written a few rows at a time, never held whole, so the run ends.
        {"WipedFieldPicture", too_big_for_memory, wiped_only, address_space(512 * mib), {}, 40,
         "wiper-render: zone short: zone_B.txt: 79.2% wiped, 80% required\n"},
    };
}

INSTANTIATE_TEST_SUITE_P(Rows, StopsAndLimits, testing::ValuesIn(rows()),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
