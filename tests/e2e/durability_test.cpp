// The real program stopped, killed and starved of disk in the middle of a run.
// However a run ends, every frame file in buffer/ must be a whole BMP of the
// surface's size: a stop request ends the run between frames, a kill can only
// leave a hidden temporary file beside the frames, and a full disk stops the
// run with the frame it could not write left as it was. Whichever way a frame
// is saved, nothing planted in buffer/ is written through and a read-only
// frame is left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>

#include "imaging/bmp_reader.h"
#include "imaging/bmp_writer.h"
#include "imaging/file_io.h"
#include "imaging/frame_surface.h"
#include "platform/files.h"
#include "support/platform.h"
#include "support/process.h"
#include "support/run_binary.h"
#include "support/temp_folder.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using test::TempFolder;

// The real program started in the background, so the test can stop or kill it.
class Running : public test::Process {
public:
    Running(const std::string& folder, const fs::path& err_file)
        : Process(WIPER_BINARY, {"--headless", folder}, err_file.parent_path() / "out", err_file) {}
};

void scene(const TempFolder& dir, int w, int h, const test::Parts& parts) { test::write_scene(dir.path(), w, h, parts); }

// An arm across most of a full HD frame: every frame redraws many rows.
std::string long_arm(int frames) {
    return std::to_string(frames) + ",170,960,540\n960,540\n1700,500\n1720,560\n960,600\n";
}
// A blade riding the arm's tip, drawn over the arm's frames.
std::string long_blade(int frames) {
    return std::to_string(frames) + ",170,960,540\n1700,530\n1600,300\n1640,300\n1740,760\n1700,760\n";
}

const std::regex frame_name(R"(w_[1-9][0-9]*\.bmp)");

// The hidden names a frame is written under before it is renamed into place.
const std::regex temporary_name_pattern(R"(\.wiper-render-[0-9a-f]{16}\.tmp)");

// Whole: exactly our header and size for the surface. Our writer's header
// holds every size field, so a file that has both is a complete frame.
::testing::AssertionResult is_whole_frame(const fs::path& file, int w, int h) {
    const std::string bytes = test::slurp(file);
    const std::size_t size = bmp_header_size + bmp_stride(w) * static_cast<std::size_t>(h);
    if (bytes.size() != size)
        return ::testing::AssertionFailure() << file << " is " << bytes.size() << " bytes, not " << size;
    const auto header = bmp_header(w, h);
    if (!std::equal(header.begin(), header.end(), reinterpret_cast<const std::uint8_t*>(bytes.data())))
        return ::testing::AssertionFailure() << file << " does not start with our header";
    return ::testing::AssertionSuccess();
}

std::set<std::string> names_in(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

// Random moments come from a fixed seed, printed with every failure, so a
// failing run can be repeated exactly; WIPER_TEST_SEED=N tries another.
unsigned test_seed() {
    const char* given = std::getenv("WIPER_TEST_SEED");
    return given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : 20261207u;
}

class StopSignal : public testing::TestWithParam<int> {};

TEST_P(StopSignal, EndsTheRunBetweenWholeFrames) {
    WIPER_SKIP_WITHOUT_POSIX_SIGNALS();
    const int sig = GetParam();
    TempFolder dir, scratch;
    constexpr int w = 1920, h = 1080;
    scene(dir, w, h, {{"coordinate.txt", long_arm(3000)}});
    Running run(dir.str(), scratch / "err");
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(test::wait_until([&] { return fs::exists(dir / "buffer/w_3.bmp"); }, 60s))
        << test::slurp(scratch / "err");
    const unsigned seed = test_seed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (WIPER_TEST_SEED)");
    std::mt19937 random(seed);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 300)(random)));

    const auto sent = Clock::now();
    run.send(sig);
    const std::optional<test::Ending> ending = run.wait_for(20s);
    const auto took = Clock::now() - sent;
    ASSERT_TRUE(ending.has_value()) << "still running 20 s after signal " << sig;
    EXPECT_LT(took, 3s) << "stopping took "
                        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    ASSERT_TRUE(ending->exited) << "ended by a signal";
    EXPECT_EQ(ending->status, 30);
    const std::string err = test::slurp(scratch / "err");
    EXPECT_EQ(err.rfind("wiper-render: stopped: ", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;

    // Frames 1..n, every one whole, and nothing else: no partial file.
    const std::set<std::string> names = names_in(dir / "buffer");
    ASSERT_GE(names.size(), 3u);
    std::set<std::string> expected;
    for (std::size_t n = 1; n <= names.size(); ++n) expected.insert("w_" + std::to_string(n) + ".bmp");
    EXPECT_EQ(names, expected);
    for (const std::string& name : names) EXPECT_TRUE(is_whole_frame(dir / "buffer" / name, w, h));
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "CtrlC" : "Sigterm");
                         });

// Killed at random moments, in the first part's whole writes or the second
// part's writes in place: whatever the moment, each frame file is whole, and
// a later complete run in the same folder gives exactly a fresh run's frames.
TEST(Kill, AtRandomMomentsLeavesEveryFrameWhole) {
    constexpr int w = 1920, h = 1080, frames = 16, kills = 8;
    const std::vector<std::pair<std::string, std::string>> parts = {{"coordinate_1.txt", long_arm(frames)},
                                                                    {"coordinate_2_nr.txt", long_blade(frames)}};
    TempFolder reference, dir, scratch;
    scene(reference, w, h, parts);
    scene(dir, w, h, parts);

    // A whole run first, to know how long one takes.
    const auto start = Clock::now();
    {
        Running run(reference.str(), scratch / "err");
        const std::optional<test::Ending> ending = run.wait_for(300s);
        ASSERT_TRUE(ending && ending->exited && ending->status == 0) << test::slurp(scratch / "err");
    }
    const auto whole_run = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);

    const unsigned seed = test_seed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (WIPER_TEST_SEED), a whole run takes " + std::to_string(whole_run.count()) + " us");
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> moment(0.02, 0.98);
    // Were it named like a frame, a later part would take it for one.
    ASSERT_FALSE(std::regex_match(temporary_name(0), frame_name));
    ASSERT_TRUE(std::regex_match(temporary_name(0), temporary_name_pattern));
    for (int k = 0; k < kills; ++k) {
        const auto after = std::chrono::microseconds(static_cast<std::int64_t>(moment(random) * whole_run.count()));
        SCOPED_TRACE("kill " + std::to_string(k + 1) + " after " + std::to_string(after.count()) + " us");
        {
            Running run(dir.str(), scratch / "err");
            ASSERT_TRUE(run.started());
            std::this_thread::sleep_for(after);
            run.kill();
            ASSERT_TRUE(run.wait_for(20s).has_value());
        }
        for (const std::string& name : names_in(dir / "buffer")) {
            if (std::regex_match(name, temporary_name_pattern)) continue; // a kill may leave one; it is no frame
            ASSERT_TRUE(std::regex_match(name, frame_name)) << name;
            EXPECT_TRUE(is_whole_frame(dir / "buffer" / name, w, h));
        }
    }

    Running run(dir.str(), scratch / "err");
    const std::optional<test::Ending> ending = run.wait_for(300s);
    ASSERT_TRUE(ending && ending->exited && ending->status == 0) << test::slurp(scratch / "err");
    std::set<std::string> left = names_in(dir / "buffer");
    std::erase_if(left, [](const std::string& name) { return std::regex_match(name, temporary_name_pattern); });
    EXPECT_EQ(left, names_in(reference / "buffer"));
    for (int n = 1; n <= frames; ++n) {
        const std::string name = "buffer/w_" + std::to_string(n) + ".bmp";
        EXPECT_TRUE(test::slurp(dir / name) == test::slurp(reference / name)) << name << " differs from a fresh run";
    }
}

struct Outcome {
    int status = -1; // -1 unless the program exited by itself within the time allowed
    std::string err;
};

Outcome run_to_the_end(const TempFolder& dir) {
    TempFolder scratch;
    Running run(dir.str(), scratch / "err");
    const std::optional<test::Ending> ending = run.wait_for(60s);
    Outcome o;
    if (ending && ending->exited) o.status = ending->status;
    o.err = test::slurp(scratch / "err");
    return o;
}

// Both routes of a save: a first part writes each frame whole (a new file
// renamed over it), a later part rewrites the rows it drew in place.
enum class Route { whole, in_place };
enum class Planted { symlink, hard_link, read_only, mode_0604 };

struct SaveCase {
    const char* name;
    Route route;
    Planted planted;
    std::vector<std::string> at; // names in buffer/
};

std::ostream& operator<<(std::ostream& os, const SaveCase& c) { return os << c.name; }

// Names a planted link would most likely sit at: the frame's own, and names a
// save might write to first.
const std::vector<std::string> frame_1{"w_1.bmp"};
const std::vector<std::string> temporary_looking{
    ".wiper-render.partial", ".w_1.bmp.tmp", "w_1.bmp.tmp", "w_1.bmp~", ".wiper-render-0000000000000000.tmp"};

constexpr int save_w = 24, save_h = 16;

void save_scene(const TempFolder& dir, Route route) {
    const std::string square = "2,90,12,8\n6,4\n18,4\n18,12\n6,12\n";
    if (route == Route::whole) {
        scene(dir, save_w, save_h, {{"coordinate_1.txt", square}});
    } else {
        // A first part without frames leaves our own white frames to the second.
        scene(dir, save_w, save_h, {{"coordinate_1.txt", "0,90,0,0\n"}, {"coordinate_2.txt", square}});
        FrameSurface white_frame;
        white_frame.set_size(save_w, save_h);
        for (const char* frame : {"buffer/w_1.bmp", "buffer/w_2.bmp"})
            dir.write_bytes(frame, test::encode_surface(white_frame));
    }
}

class Saves : public testing::TestWithParam<SaveCase> {};

TEST_P(Saves, NeverWriteThroughALinkNorOverAReadOnlyFrame) {
    const SaveCase& c = GetParam();
    if (c.planted == Planted::mode_0604) WIPER_SKIP_WITHOUT_POSIX_MODES();
    TempFolder reference, dir, outside;
    save_scene(reference, c.route);
    ASSERT_EQ(run_to_the_end(reference).status, 0);

    save_scene(dir, c.route);
    FrameSurface white_frame;
    white_frame.set_size(save_w, save_h);
    outside.write_bytes("target.bmp", test::encode_surface(white_frame)); // one a later part could rewrite in place
    const std::vector<std::uint8_t> target_before = outside.read_bytes("target.bmp");
    for (const std::string& name : c.at) {
        const fs::path at = dir / "buffer" / name;
        fs::remove(at);
        if (c.planted == Planted::symlink) {
            test::make_symlink(outside / "target.bmp", at);
            if (testing::Test::IsSkipped()) return;
        }
        if (c.planted == Planted::hard_link) fs::create_hard_link(outside / "target.bmp", at);
        if (c.planted == Planted::read_only || c.planted == Planted::mode_0604) {
            dir.write_bytes("buffer/" + name, test::encode_surface(white_frame));
            fs::permissions(at, c.planted == Planted::read_only ? fs::perms(0444) : fs::perms(0604));
        }
    }
    const auto buffer_before = names_in(dir / "buffer");

    const Outcome r = run_to_the_end(dir);
    // Whatever happened, no temporary file is left behind; a refused run
    // stops at frame 1, before anything is written.
    std::set<std::string> expected_names = names_in(reference / "buffer");
    expected_names.insert(c.at.begin(), c.at.end());
    EXPECT_EQ(names_in(dir / "buffer"), c.planted == Planted::read_only ? buffer_before : expected_names);
    EXPECT_EQ(outside.read_bytes("target.bmp"), target_before) << "written through a link";

    if (c.planted == Planted::read_only) {
        // Refused even by root, whom the system itself would let write.
        EXPECT_EQ(r.status, 12) << r.err;
        EXPECT_EQ(test::without_warnings(r.err).rfind("wiper-render: file access failure: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("w_1.bmp: the frame file is read-only"), std::string::npos) << r.err;
        EXPECT_EQ(dir.read_bytes("buffer/w_1.bmp"), test::encode_surface(white_frame));
        EXPECT_EQ(fs::status(dir / "buffer/w_1.bmp").permissions(), fs::perms(0444));
        return;
    }
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& name : names_in(reference / "buffer")) {
        SCOPED_TRACE(name);
        const fs::path frame = dir / "buffer" / name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(frame)));
        EXPECT_EQ(files::identity_of(test::utf8_string(frame)).links, 1u);
        EXPECT_EQ(test::slurp(frame), test::slurp(reference / "buffer" / name));
    }
    if (c.planted == Planted::mode_0604) {
        EXPECT_EQ(fs::status(dir / "buffer/w_1.bmp").permissions(), fs::perms(0604)) << "replaced, it keeps its mode";
    }
    if (c.at != frame_1) {
        // Someone else's files stay as they were.
        for (const std::string& name : c.at) {
            EXPECT_EQ(c.planted == Planted::symlink, fs::is_symlink(dir / "buffer" / name)) << name;
        }
        if (c.planted == Planted::hard_link) {
            EXPECT_EQ(files::identity_of(test::utf8_string(outside / "target.bmp")).links, 1 + c.at.size());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Routes, Saves,
    testing::Values(SaveCase{"WholeSymlinkAtFrame", Route::whole, Planted::symlink, frame_1},
                    SaveCase{"WholeHardLinkAtFrame", Route::whole, Planted::hard_link, frame_1},
                    SaveCase{"WholeSymlinksAtTemporaryNames", Route::whole, Planted::symlink, temporary_looking},
                    SaveCase{"WholeHardLinksAtTemporaryNames", Route::whole, Planted::hard_link, temporary_looking},
                    SaveCase{"InPlaceSymlinkAtFrame", Route::in_place, Planted::symlink, frame_1},
                    SaveCase{"InPlaceHardLinkAtFrame", Route::in_place, Planted::hard_link, frame_1},
                    SaveCase{"InPlaceSymlinksAtTemporaryNames", Route::in_place, Planted::symlink, temporary_looking},
                    SaveCase{"InPlaceHardLinksAtTemporaryNames", Route::in_place, Planted::hard_link,
                             temporary_looking},
                    SaveCase{"WholeReadOnlyFrame", Route::whole, Planted::read_only, frame_1},
                    SaveCase{"InPlaceReadOnlyFrame", Route::in_place, Planted::read_only, frame_1},
                    SaveCase{"WholeKeepsTheFramesMode", Route::whole, Planted::mode_0604, frame_1}),
    [](const testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

constexpr int disk_w = 200, disk_h = 200; // 120,054 bytes a frame: 8 fit in 1 MiB

// New frames of a first part fill the disk: the run stops on the first frame
// that does not fit, naming it, and leaves the ones before it whole.
TEST(FullDisk, NewFramesStopOnTheFirstThatDoesNotFit) {
    TempFolder dir;
    scene(dir, disk_w, disk_h, {{"coordinate.txt", "20,90,100,100\n100,100\n190,100\n190,110\n100,110\n"}});
    test::SmallDisk disk(dir / "buffer");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.why_not();

    const Outcome r = run_to_the_end(dir);
    EXPECT_EQ(r.status, 12) << r.err;
    EXPECT_EQ(r.err.rfind("wiper-render: file access failure: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

    const std::set<std::string> names = names_in(dir / "buffer");
    ASSERT_GE(names.size(), 1u);
    ASSERT_LT(names.size(), 20u);
    std::set<std::string> expected;
    for (std::size_t n = 1; n <= names.size(); ++n) expected.insert("w_" + std::to_string(n) + ".bmp");
    EXPECT_EQ(names, expected) << "no partial file may be left";
    const std::string failed = "w_" + std::to_string(names.size() + 1) + ".bmp";
    EXPECT_NE(r.err.find(failed), std::string::npos) << r.err;
    for (const std::string& name : names) EXPECT_TRUE(is_whole_frame(dir / "buffer" / name, disk_w, disk_h));
}

// Leftovers in another format are rewritten whole in ours, each larger than
// before, until one no longer fits beside the others: that frame keeps its
// earlier content byte for byte, the ones before it are whole, and the ones
// after it were never touched.
TEST(FullDisk, RewritingLeftoversKeepsTheFrameThatDoesNotFit) {
    constexpr int frames = 12;
    TempFolder dir;
    scene(dir, disk_w, disk_h,
          {{"coordinate_1.txt", "0,90,0,0\n"},
           {"coordinate_2.txt", std::to_string(frames) + ",90,100,100\n100,100\n190,100\n190,110\n100,110\n"}});
    test::SmallDisk disk(dir / "buffer");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.why_not();

    std::vector<std::vector<std::uint8_t>> leftovers;
    for (int n = 1; n <= frames; ++n) {
        test::BmpPicture p;
        p.width = disk_w;
        p.height = disk_h;
        p.bits = 8;
        p.palette = {Colour{static_cast<std::uint8_t>(n * 20), 40, 60}, white};
        p.raw.resize(static_cast<std::size_t>(disk_w) * disk_h);
        for (std::size_t i = 0; i < p.raw.size(); ++i) p.raw[i] = (i / 7) % 2;
        leftovers.push_back(test::make_bmp(p));
        dir.write_bytes("buffer/w_" + std::to_string(n) + ".bmp", leftovers.back());
        ASSERT_EQ(fs::file_size(dir / ("buffer/w_" + std::to_string(n) + ".bmp")), leftovers.back().size())
            << "the leftovers themselves must fit";
    }

    const Outcome r = run_to_the_end(dir);
    EXPECT_EQ(r.status, 12) << r.err;
    const std::string report = test::without_warnings(r.err); // the first part draws no frame
    EXPECT_EQ(report.rfind("wiper-render: file access failure: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << r.err;

    std::set<std::string> expected;
    for (int n = 1; n <= frames; ++n) expected.insert("w_" + std::to_string(n) + ".bmp");
    EXPECT_EQ(names_in(dir / "buffer"), expected) << "no partial file may be left";

    // Rewritten frames first, then the untouched leftovers, the first of which failed.
    int rewritten = 0;
    while (rewritten < frames &&
           test::slurp(dir / ("buffer/w_" + std::to_string(rewritten + 1) + ".bmp")).size() !=
               leftovers[static_cast<std::size_t>(rewritten)].size())
        ++rewritten;
    ASSERT_GE(rewritten, 1);
    ASSERT_LT(rewritten, frames);
    for (int n = 1; n <= rewritten; ++n)
        EXPECT_TRUE(is_whole_frame(dir / ("buffer/w_" + std::to_string(n) + ".bmp"), disk_w, disk_h));
    for (int n = rewritten + 1; n <= frames; ++n) {
        const std::vector<std::uint8_t> now = dir.read_bytes("buffer/w_" + std::to_string(n) + ".bmp");
        EXPECT_TRUE(now == leftovers[static_cast<std::size_t>(n - 1)]) << "w_" << n << ".bmp changed";
    }
    EXPECT_NE(r.err.find("w_" + std::to_string(rewritten + 1) + ".bmp"), std::string::npos) << r.err;
}

} // namespace
} // namespace wiper
