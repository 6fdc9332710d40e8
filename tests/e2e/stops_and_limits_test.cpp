// The real program at the edges of what it is given: few file descriptors,
// files it may not replace. Whatever the row, the run ends by itself with its
// status, and a run that succeeds leaves the very frames, and says the very
// words, of a run of the same scene without the limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <tuple>

#include "support/platform.h"
#include "support/run_binary.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;

struct Scene {
    test::TempFolder root;
    std::vector<std::string> args = {"--headless", "--quiet"};
    test::Launch launch; // for the run under test alone
    // Done to the example's copy before the run, and to its twin's.
    std::function<void(const fs::path&)> prepare = [](const fs::path&) {};

    fs::path copy_of_example(const std::string& name) const {
        fs::copy(fs::path(WIPER_EXAMPLES) / "wiper", root / name, fs::copy_options::recursive);
        prepare(root / name);
        return root / name;
    }
    test::RunResult run(const fs::path& folder, const test::Launch& with = {}) const {
        std::vector<std::string> all = args;
        all.push_back(test::utf8_string(folder));
        return test::run_program(WIPER_BINARY, all, std::chrono::seconds(60), with);
    }
};

std::map<std::string, std::string> buffer_of(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder / "buffer")) files[e.path().filename().string()] = test::slurp(e);
    return files;
}

struct Row {
    const char* name;
    std::function<void(Scene&)> setup;
    int status;
    const char* says = ""; // stderr holds it
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.name; }

class StopsAndLimits : public testing::TestWithParam<Row> {};

TEST_P(StopsAndLimits, EndsWithItsStatusAndTheFramesOfARunWithoutTheLimit) {
    const Row& row = GetParam();
    Scene s;
    row.setup(s);
    if (IsSkipped()) return;
    const fs::path folder = s.copy_of_example("scene");
    const test::RunResult r = s.run(folder, s.launch);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    if (row.status != 0) return;
    const fs::path twin = s.copy_of_example("twin");
    const test::RunResult t = s.run(twin);
    EXPECT_EQ(std::tie(t.status, t.out, t.err), std::tie(r.status, r.out, r.err));
    EXPECT_TRUE(buffer_of(folder) == buffer_of(twin)) << "the frames differ from a run without the limit";
}

std::vector<Row> rows() {
    // Descriptors 0 to 2 taken, one left: as `ulimit -n 4`.
    const auto one_descriptor = [](Scene& s) {
        if (test::is_windows) GTEST_SKIP() << "Windows sets no limit on open files";
        s.launch.open_files_limit = 4;
    };
    return {
        {"OneDescriptorNoRecord", [=](Scene& s) { one_descriptor(s), s.args.push_back("--rebuild-memory=0"); }, 0},
        {"OneDescriptorDefaultRecord", one_descriptor, 0},
        // The first part draws nothing, so the next reads back frames of an
        // earlier run: one of our own layout, one a byte longer (decoded and
        // written whole), one with a second name (read on a handle of its own).
        {"OneDescriptorLeftoversReadBack",
         [=](Scene& s) {
             one_descriptor(s);
             s.prepare = [&s](const fs::path& folder) {
                 ASSERT_EQ(s.run(folder).status, 0);
                 test::TempFolder::write_to(folder / "coordinate_0.txt", "0,90,0,0\n");
                 const fs::path second = folder / "buffer" / "wiper_2.bmp";
                 test::TempFolder::write_to(second, test::slurp(second) + '\0');
                 fs::create_hard_link(folder / "buffer" / "wiper_3.bmp", folder.string() + "_frame_3.bmp");
             };
         },
         0},
        // Not a frame: its failure names it for what it is.
        {"ReadOnlyWipedFieldPicture",
         [](Scene& s) {
             s.args.push_back("--wiped-only");
             s.prepare = [](const fs::path& folder) {
                 test::TempFolder::write_to(folder / "buffer" / "wiper_wiped.bmp", "an earlier picture");
                 fs::permissions(folder / "buffer" / "wiper_wiped.bmp", fs::perms(0444));
             };
         },
         12, "wiper_wiped.bmp: the wiped field's picture is read-only; cannot replace it"},
    };
}

INSTANTIATE_TEST_SUITE_P(Rows, StopsAndLimits, testing::ValuesIn(rows()),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
