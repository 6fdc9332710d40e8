// The real program where its environment turns against it. Whatever the row,
// the run ends by itself (or at once on Ctrl-C) with its status, every line on
// stderr is the program's own and a failure one line, every frame file is
// whole, and nothing beside buffer/ changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "common/failure.h"
#include "imaging/bmp_writer.h"
#include "imaging/frame_surface.h"
#include "support/hostile_env.h"
#include "support/run_binary.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string square = "2,0,20,15\n12,8\n28,8\n28,22\n12,22\n"; // 2 frames of 40 x 30

struct Setting {
    test::TempFolder root;
    fs::path folder = root / "scene";
    std::vector<std::string> args = {"--headless"};
    test::Launch launch;
    std::string binary = WIPER_BINARY;
    std::optional<test::DeafDisplay> deaf;

    Setting() { test::write_scene(folder, 40, 30); }
    void write(const std::string& name, const std::string& text) const { test::TempFolder::write_to(folder / name, text); }
    void parts(bool first_draws) const {
        write("coordinate_1.txt", first_draws ? square : "0,90,0,0\n"); // else the second draws over leftovers
        write("coordinate_2.txt", square);
    }
    void leftovers() const { // in our own layout, and one a byte longer
        FrameSurface white_frame;
        white_frame.set_size(40, 30);
        const std::vector<std::uint8_t> bytes = test::encode_surface(white_frame);
        write("buffer/w_1.bmp", std::string(bytes.begin(), bytes.end()));
        write("buffer/w_2.bmp", std::string(bytes.begin(), bytes.end()) + '\0');
        for (const char* frame : {"buffer/w_1.bmp", "buffer/w_2.bmp"}) fs::permissions(folder / frame, fs::perms(0644));
    }
    void as_nobody() {
        fs::permissions(folder / "buffer", fs::perms::all);
        skip_if(test::why_not_as_nobody(test::utf8_string(folder / "buffer"), binary));
        launch.as_nobody = true;
    }
    void window_on(std::vector<std::string> set, std::vector<std::string> unset) {
        args = {};
        set.push_back("ASAN_OPTIONS=detect_leaks=0"); // SDL's libraries keep allocations to the end
        launch.set_env = set;
        launch.unset_env = unset;
    }
    static void skip_if(const std::string& why) {
        if (!why.empty()) GTEST_SKIP() << why;
    }
    static void posix_only() { skip_if(test::is_windows ? "no such environment on Windows" : ""); }
};

struct Row {
    const char* name;
    std::function<void(Setting&)> setup;
    int status;
    const char* says = ""; // the last line on stderr holds it
    int warnings = 0;
    int frames = 2; // whole frames in buffer/ afterwards; -1: buffer/ is not looked at
    bool ctrl_c_once_connected = false;
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.name; }

class HostileEnvironment : public testing::TestWithParam<Row> {};

TEST_P(HostileEnvironment, EndsWithItsStatusOwnLinesAndWholeFrames) {
    const Row& row = GetParam();
    Setting s;
    row.setup(s);
    if (IsSkipped()) return;
    const auto outside_before = test::contents_of(s.folder, "buffer");
    if (s.binary == WIPER_BINARY) s.args.push_back(test::utf8_string(s.folder));

    test::TempFolder scratch;
    std::optional<test::Ending> ending;
    {
        test::Process run(s.binary, s.args, scratch / "out", scratch / "err", s.launch);
        if (row.ctrl_c_once_connected) {
            ASSERT_TRUE(s.deaf->wait_for_client(30'000)) << "the run never reached the display";
            run.send(SIGINT);
        }
        ending = run.wait_for(row.ctrl_c_once_connected ? 2s : 60s);
    }
    const std::string err = test::as_on_posix(test::slurp(scratch / "err"));
    ASSERT_TRUE(ending && ending->exited) << "not ended by itself in time: " << err;
    EXPECT_EQ(ending->status, row.status) << err;

    // The program's own lines only: the warnings, then the failure.
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (const std::string& line : lines) EXPECT_EQ(line.rfind("wiper-render: ", 0), 0u) << err;
    EXPECT_EQ(first_disguising_character(err), 0u) << err;
    const std::string report = test::without_warnings(err);
    if (!s.launch.output_unread) {
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), row.status == 0 ? 0 : 1) << err;
        EXPECT_EQ(static_cast<int>(lines.size()) - (row.status == 0 ? 0 : 1), row.warnings) << err;
    }
    EXPECT_NE((lines.empty() ? "" : lines.back()).find(row.says), std::string::npos) << err;
    EXPECT_EQ(test::contents_of(s.folder, "buffer"), outside_before);
    if (row.frames < 0) return;
    std::vector<std::string> names, expected;
    for (const auto& e : fs::directory_iterator(s.folder / "buffer")) names.push_back(e.path().filename().string());
    for (int n = 1; n <= row.frames; ++n) expected.push_back("w_" + std::to_string(n) + ".bmp");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected);
    const auto header = bmp_header(40, 30);
    const std::string whole_start(header.begin(), header.end());
    for (const std::string& name : names) {
        const std::string bytes = test::slurp(s.folder / "buffer" / name);
        EXPECT_TRUE(bytes.size() == header.size() + bmp_stride(40) * 30 && bytes.rfind(whole_start, 0) == 0)
            << name << " is not a whole frame";
    }
}

std::vector<Row> rows() {
    const auto deaf = [](Setting& s) {
        s.posix_only();
        s.deaf.emplace();
        s.skip_if(s.deaf->why_not());
        s.window_on({"DISPLAY=" + s.deaf->name()}, {"WAYLAND_DISPLAY"});
        s.parts(true);
    };
    const auto wayland_without_runtime = [](Setting& s) {
        s.posix_only();
        s.window_on({"WAYLAND_DISPLAY=wayland-0"}, {"DISPLAY", "XDG_RUNTIME_DIR"});
        s.parts(true);
    };
    const auto umask_0222 = [](Setting& s) {
        s.posix_only();
        s.parts(true);
        s.launch.umask = 0222;
    };
    const auto buffer_to = [](bool elsewhere) {
        return [elsewhere](Setting& s) {
            s.parts(true);
            fs::remove(s.folder / "buffer");
            if (elsewhere) fs::create_directory(s.root / "disk");
            test::make_symlink(elsewhere ? s.root / "disk" : ".", s.folder / "buffer", true);
        };
    };
    return {
        // 1-bit leftovers of 2147483647 x 4096 pixels with one palette colour:
        // a terabyte to their reader, a few kilobytes on disk.
        {"TerabyteSparseLeftovers",
         [](Setting& s) {
             s.parts(false);
             test::BmpPicture p;
             p.bits = 1, p.palette = {white}, p.raw = {0}, p.width_field = 2'147'483'647, p.height_field = 4096;
             const std::vector<std::uint8_t> header = test::make_bmp(p);
             for (const char* frame : {"buffer/w_1.bmp", "buffer/w_2.bmp"}) {
                 s.write(frame, std::string(header.begin(), header.end()));
                 std::error_code ec;
                 fs::resize_file(s.folder / frame, 58 + (2'147'483'647ull + 31) / 32 * 4 * 4096, ec);
                 s.skip_if(ec ? "no terabyte sparse file here: " + ec.message() : "");
             }
         },
         0, "", 2},
        {"DeafDisplay", deaf, 0, "did not answer within 4 seconds; the run goes on without a window", 1},
        {"CtrlCWhileTheDisplayIsDeaf", deaf, 30, "stopped: ", 0, 0, true},
        {"WaylandWithoutRuntimeFolder", wayland_without_runtime, 0},
        {"WaylandWithoutRuntimeFolderThenAFailure",
         [=](Setting& s) { wayland_without_runtime(s), fs::remove(s.folder / "immagini.txt"); }, 10, "file not found",
         0, 0},
        {"NextLineInTheImageName", [](Setting& s) { s.parts(true), s.write("immagini.txt", "\"w\xc2\x85x\",40,30"); },
         20, "\"w\\u0085x\" holds the control character U+0085", 0, 0},
        {"UmaskWithoutOwnerWrite", umask_0222, 0},
        {"UmaskWithoutOwnerWriteAsNobody", [=](Setting& s) { umask_0222(s), s.as_nobody(); }, 0},
        // root's 0644 leftovers: in our own layout (in place, which nobody may not) and a byte longer.
        {"RootsLeftoversAsNobody", [](Setting& s) { s.posix_only(), s.parts(false), s.leftovers(), s.as_nobody(); },
         0, "", 2},
        {"ReaderOfTheMessagesGone",
         [](Setting& s) { s.posix_only(), s.parts(false), s.leftovers(), s.launch.output_unread = true; }, 12},
        {"FileSizeLimit", [](Setting& s) { s.posix_only(), s.parts(true), s.launch.file_size_limit = 2048; }, 12,
         "w_1.bmp: cannot write: File too large", 0, 0},
        // A system file claims a page and holds a line, as a file shrinking while it is read.
        {"SettingsFileShorterThanItsSize",
         [](Setting& s) {
             s.posix_only(), s.parts(true), fs::remove(s.folder / "immagini.txt");
             test::make_symlink("/sys/kernel/uevent_seqnum", s.folder / "immagini.txt");
             s.skip_if(fs::exists(s.folder / "immagini.txt") ? "" : "no /sys/kernel/uevent_seqnum");
         },
         12, "immagini.txt: the file became shorter while it was read", 0, 0},
        {"BufferLeadsBackToTheFolder", buffer_to(false), 11, "leads back to the program folder", 0, -1},
        {"BufferLeadsElsewhere", buffer_to(true), 0},
        // Double-clicked in a folder without its text files; run under Wine too.
        {"NoFolderGivenNorFound",
         [](Setting& s) {
             fs::remove(s.folder / "immagini.txt");
             fs::copy_file(s.binary, s.folder / fs::path(s.binary).filename());
             s.binary = test::utf8_string(s.folder / fs::path(s.binary).filename());
         },
         10, "no FOLDER was given, so wiper-render looked in the folder that holds it", 0, 0},
    };
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileEnvironment, testing::ValuesIn(rows()),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
