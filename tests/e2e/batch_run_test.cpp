// The real program on real folders: compositing, frame numbering, leftovers and
// every way a run can stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <set>

#include "imaging/bmp_reader.h"
#include "imaging/bmp_writer.h"
#include "imaging/file_io.h"
#include "imaging/frame_surface.h"
#include "support/platform.h"
#include "support/process.h"
#include "support/run_binary.h"
#include "support/temp_folder.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using test::RunResult;
using test::TempFolder;

RunResult render(const TempFolder& dir, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--headless"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(dir.str());
    return test::run_program(WIPER_BINARY, args);
}

// Blades turned 30 degrees either way.
void scene(const TempFolder& dir, int w, int h, const test::Parts& parts) {
    test::write_scene(dir.path(), w, h, parts, "30,30");
}

std::set<std::string> files_in(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        names.insert(fs::relative(e.path(), folder).generic_string());
    return names;
}

FrameSurface load(const fs::path& file, int w, int h) {
    FrameSurface s;
    s.set_size(w, h);
    InputFile in(file.string());
    decode_bmp_onto(in, s);
    return s;
}

std::size_t black_pixels(const FrameSurface& s) {
    std::size_t n = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) n += s.pixel(x, y) == black;
    return n;
}

// Every frame file we write is byte for byte our canonical 24-bit BMP, whether
// it was written whole or only its changed rows were.
void expect_canonical(const fs::path& file, int w, int h) {
    const std::string bytes = test::slurp(file);
    const FrameSurface s = load(file, w, h);
    const std::vector<std::uint8_t> expected = test::encode_surface(s);
    ASSERT_EQ(bytes.size(), expected.size()) << file;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reinterpret_cast<const std::uint8_t*>(bytes.data())))
        << file;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Colour c = s.pixel(x, y);
            ASSERT_TRUE(c == black || c == white) << file << " at " << x << "," << y;
        }
}

const std::string square = "3,90,20,20\n10,10\n20,10\n20,20\n10,20\n";     // swept, 3 frames
const std::string bar = "5,-45,30,30\n5,28\n55,28\n55,32\n5,32\n";           // swept, 5 frames
const std::string blade = "3,90,20,20\n20,5\n15,0\n25,0\n25,10\n15,10\n";    // carried, 3 frames

TEST(Compositing, EveryFrameIsTheUnionOfThePartsAlone) {
    TempFolder both, first, second;
    scene(both, 61, 47, {{"coordinate_1.txt", bar}, {"coordinate_2_nr.txt", blade}});
    scene(first, 61, 47, {{"coordinate_1.txt", bar}});
    scene(second, 61, 47, {{"coordinate_2_nr.txt", blade}});
    for (const TempFolder* d : {&both, &first, &second}) ASSERT_EQ(render(*d).status, 0) << render(*d).err;

    for (int n = 1; n <= 5; ++n) {
        const std::string name = "buffer/w_" + std::to_string(n) + ".bmp";
        expect_canonical(both / name, 61, 47);
        const FrameSurface a = load(first / name, 61, 47);
        const FrameSurface all = load(both / name, 61, 47);
        const bool has_second = n <= 3; // the later part has fewer frames
        FrameSurface b;
        if (has_second) b = load(second / name, 61, 47);
        for (int y = 0; y < 47; ++y)
            for (int x = 0; x < 61; ++x) {
                const bool expect_black = a.pixel(x, y) == black || (has_second && b.pixel(x, y) == black);
                ASSERT_EQ(all.pixel(x, y) == black, expect_black) << "frame " << n << " at " << x << "," << y;
            }
    }
    EXPECT_EQ(files_in(both / "buffer"),
              (std::set<std::string>{"w_1.bmp", "w_2.bmp", "w_3.bmp", "w_4.bmp", "w_5.bmp"}));
}

TEST(Compositing, WorkedExampleVerticesAreBlack) {
    TempFolder dir;
    scene(dir, 600, 600, {{"coordinate.txt", "3,90,300,300\n300,100\n310,100\n310,300\n300,300\n"}});
    ASSERT_EQ(render(dir).status, 0);
    const FrameSurface f2 = load(dir / "buffer/w_2.bmp", 600, 600);
    for (auto [x, y] : {std::pair{441, 159}, {448, 166}, {307, 307}, {300, 300}})
        EXPECT_EQ(f2.pixel(x, y), black) << x << "," << y;
    EXPECT_EQ(f2.pixel(10, 10), white);
}

TEST(FrameNumbering, NoLeadingZerosAndBufferOnly) {
    TempFolder dir;
    scene(dir, 20, 20, {{"coordinate.txt", "11,10,5,5\n1,1\n9,1\n9,9\n"}});
    const std::set<std::string> before = files_in(dir.path());
    ASSERT_EQ(render(dir).status, 0);
    std::set<std::string> expected = before;
    for (int n = 1; n <= 11; ++n) expected.insert("buffer/w_" + std::to_string(n) + ".bmp");
    EXPECT_EQ(files_in(dir.path()), expected);
}

TEST(LaterParts, MoreFramesThanTheFirstStopsOnTheMissingFrame) {
    TempFolder dir;
    scene(dir, 40, 40, {{"coordinate_1.txt", square}, {"coordinate_2.txt", bar}});
    const RunResult r = render(dir);
    EXPECT_EQ(r.status, 10) << r.err;
    EXPECT_EQ(r.err, "wiper-render: file not found: coordinate_2.txt, frame 4: " + test::native_path("buffer/w_4.bmp") +
                         " does not exist; the parts before it drew 3 frames\n");
    EXPECT_EQ(files_in(dir / "buffer"), (std::set<std::string>{"w_1.bmp", "w_2.bmp", "w_3.bmp"}));
    for (int n = 1; n <= 3; ++n) expect_canonical(dir / ("buffer/w_" + std::to_string(n) + ".bmp"), 40, 40);
}

TEST(LaterParts, LeftoverOfAnEarlierRunIsReadWithoutComplaint) {
    TempFolder dir;
    scene(dir, 40, 40, {{"coordinate_1.txt", "0,90,20,20\n1,1\n5,5\n"}, {"coordinate_2.txt", square}});
    // A leftover of another size and depth: placed at (0, 0) over white and clipped.
    test::BmpPicture old;
    old.width = 50;
    old.height = 2;
    old.bits = 8;
    old.pixels.assign(100, Colour{10, 20, 30});
    dir.write_bytes("buffer/w_1.bmp", test::make_bmp(old));
    const RunResult r = render(dir);
    EXPECT_EQ(r.status, 10) << r.err; // frames 2 and 3 were never written
    const FrameSurface f1 = load(dir / "buffer/w_1.bmp", 40, 40);
    EXPECT_EQ(f1.pixel(39, 1), (Colour{10, 20, 30}));
    EXPECT_EQ(f1.pixel(39, 2), white);
    EXPECT_EQ(f1.pixel(10, 10), black);
    EXPECT_EQ(test::slurp(dir / "buffer/w_1.bmp").size(), 54u + 120u * 40u); // rewritten in our format
}

// A later part rebuilds in memory a frame the run left untouched, and reads
// back any other: changed between two parts by another program, left by an
// earlier run, or past the memory the record of polygons may take. Either
// way every frame is what reading every frame back gives, which a run told to
// keep no record (--rebuild-memory=0) does; what the run read, where the system
// says, shows which it did.
enum class Between { nothing, rewritten, touched, symlinked };

struct FallbackCase {
    const char* name;
    Between between;  // done to frame 2 once the first part has saved its frames
    bool leftover;    // frame 3 left by an earlier run, past the first part's 2 frames
    std::vector<std::string> options;
    int least_read, most_read; // frames read back
};

std::ostream& operator<<(std::ostream& os, const FallbackCase& c) { return os << c.name; }

constexpr int fb_w = 800, fb_h = 600; // 1.44 MB a frame: what else a run reads is far less

// A black band across frame `file` (our own format, so the same size), as
// another program might draw it.
std::vector<std::uint8_t> with_band(std::vector<std::uint8_t> bytes) {
    for (int y = 100; y < 140; ++y)
        for (int x = 3 * 100; x < 3 * 300; ++x) bytes[bmp_header_size + (fb_h - 1 - y) * bmp_stride(fb_w) + x] = 0;
    return bytes;
}

void fallback_scene(const TempFolder& dir, const FallbackCase& c) {
    // Named like a backup, the second part is warned about as it starts: a
    // held run stands still there, between the first part and the second.
    scene(dir, fb_w, fb_h,
          {{"coordinate_1.txt", std::string(c.leftover ? "2" : "3") + ",90,400,300\n380,100\n420,100\n420,300\n"},
           {"coordinate_2.txt.bak", "3,-40,200,550\n200,540\n700,530\n700,560\n200,560\n"},
           {"coordinate_3_nr.txt", "3,60,400,500\n400,300\n250,290\n550,280\n560,300\n240,310\n"}});
    if (c.leftover) {
        FrameSurface white_frame;
        white_frame.set_size(fb_w, fb_h);
        dir.write_bytes("buffer/w_3.bmp", with_band(test::encode_surface(white_frame)));
    }
}

void change_frame(Between between, const fs::path& frame, const TempFolder& outside) {
    switch (between) {
    case Between::nothing: break;
    case Between::rewritten: { // in place, the write time set back: only the change time tells
        const auto written = fs::last_write_time(frame);
        const std::vector<std::uint8_t> bytes = with_band(TempFolder::read_from(frame));
        std::fstream f(frame, std::ios::in | std::ios::out | std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        f.close();
        fs::last_write_time(frame, written);
        break;
    }
    case Between::touched: fs::last_write_time(frame, fs::file_time_type::clock::now()); break;
    case Between::symlinked:
        outside.write_bytes("frame.bmp", with_band(TempFolder::read_from(frame)));
        fs::remove(frame);
        fs::create_symlink(outside / "frame.bmp", frame);
        break;
    }
}

// Runs the scene, changing frame 2 while the run stands between its first two
// parts; how it ended, if it did.
std::optional<test::Ending> run_fallback(const TempFolder& dir, const FallbackCase& c,
                                         const std::vector<std::string>& options) {
    TempFolder scratch, outside;
    fallback_scene(dir, c);
    std::vector<std::string> args = {"--headless"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(dir.str());
    test::Launch launch;
    launch.held = c.between != Between::nothing;
    test::Process run(WIPER_BINARY, args, scratch / "out", scratch / "err", launch);
    if (c.between != Between::nothing) {
        EXPECT_TRUE(test::wait_until([&] { return run.blocked_at_message(); }, std::chrono::seconds(60)))
            << "the run never reached its second part";
        change_frame(c.between, dir / "buffer/w_2.bmp", outside);
        run.release();
    }
    const std::optional<test::Ending> ending = run.wait_for(std::chrono::seconds(120));
    EXPECT_TRUE(ending && ending->exited && ending->status == 0) << test::slurp(scratch / "err");
    return ending;
}

class Fallbacks : public testing::TestWithParam<FallbackCase> {};

TEST_P(Fallbacks, EveryFrameIsWhatReadingItBackGives) {
    const FallbackCase& c = GetParam();
    if (c.between != Between::nothing) WIPER_SKIP_WITHOUT_PROC();
    TempFolder reference, dir;
    ASSERT_TRUE(run_fallback(reference, c, {"--rebuild-memory=0"}));
    const std::optional<test::Ending> ending = run_fallback(dir, c, c.options);
    ASSERT_TRUE(ending);
    EXPECT_EQ(files_in(dir / "buffer"), files_in(reference / "buffer"));
    for (const std::string& name : files_in(reference / "buffer"))
        EXPECT_TRUE(test::slurp(dir / "buffer" / name) == test::slurp(reference / "buffer" / name)) << name;
    if (ending->read_bytes >= 0) {
        const auto frame_size = static_cast<std::int64_t>(bmp_header_size + bmp_stride(fb_w) * fb_h);
        const std::int64_t frames_read = ending->read_bytes / frame_size;
        EXPECT_GE(frames_read, c.least_read) << ending->read_bytes << " bytes read";
        EXPECT_LE(frames_read, c.most_read) << ending->read_bytes << " bytes read";
    }
}

INSTANTIATE_TEST_SUITE_P(
    LaterParts, Fallbacks,
    testing::Values(FallbackCase{"Untouched", Between::nothing, false, {}, 0, 0},
                    // Read by the second part, and by the third, as it no longer started from white.
                    FallbackCase{"RewrittenWithTheSameSize", Between::rewritten, false, {}, 2, 2},
                    FallbackCase{"Touched", Between::touched, false, {}, 2, 2},
                    FallbackCase{"ReplacedByALink", Between::symlinked, false, {}, 2, 2},
                    FallbackCase{"Leftover", Between::nothing, true, {}, 2, 2},
                    FallbackCase{"PastTheMemoryBudget", Between::nothing, false, {"--rebuild-memory=150"}, 1, 6}),
    [](const testing::TestParamInfo<FallbackCase>& info) { return std::string(info.param.name); });

TEST(LaterParts, FirstPartWithNoFramesLeavesTheNextOneALaterPart) {
    TempFolder dir;
    scene(dir, 40, 40, {{"coordinate_1.txt", "-3,90,20,20\n1,1\n5,5\n"}, {"coordinate_2.txt", square}});
    const RunResult r = render(dir);
    EXPECT_EQ(r.status, 10) << r.err;
    EXPECT_TRUE(files_in(dir / "buffer").empty());
}

TEST(Parts, HeaderOnlyPartSavesBlankFrames) {
    TempFolder dir;
    scene(dir, 9, 7, {{"coordinate.txt", "2,90,0,0\n"}});
    ASSERT_EQ(render(dir).status, 0);
    for (const char* f : {"buffer/w_1.bmp", "buffer/w_2.bmp"}) {
        expect_canonical(dir / f, 9, 7);
        EXPECT_EQ(black_pixels(load(dir / f, 9, 7)), 0u);
    }
}

// The program folder given on the command line, or, without one, the folder
// holding a copy of the program; its name in plain ASCII or not.
struct FolderCase {
    const char* name;
    const char* folder;
    bool copied_program;
};

std::ostream& operator<<(std::ostream& os, const FolderCase& c) { return os << c.name; }

class ProgramFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(ProgramFolder, RendersTheFolderNamedOrHoldingTheProgram) {
    const FolderCase& c = GetParam();
    TempFolder root;
    const fs::path dir = root / c.folder;
    test::write_scene(dir, 30, 30, {{"coordinate.txt", square}}, "30,30");
    RunResult r;
    if (c.copied_program) {
        const fs::path copy = dir / fs::path(WIPER_BINARY).filename();
        fs::copy_file(WIPER_BINARY, copy);
        r = test::run_program(test::utf8_string(copy), {"--headless"});
    } else {
        r = test::run_program(WIPER_BINARY, {"--headless", test::utf8_string(dir)});
    }
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* frame : {"w_1.bmp", "w_2.bmp", "w_3.bmp"}) EXPECT_TRUE(fs::exists(dir / "buffer" / frame)) << frame;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ProgramFolder,
    testing::Values(FolderCase{"Argument", "scene", false}, FolderCase{"CopiedProgram", "scene", true},
                    FolderCase{"NonAsciiArgument", "Citt\u00e0 \u00e9t\u00e9", false},
                    FolderCase{"NonAsciiCopiedProgram", "Citt\u00e0", true}),
    [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(CommandLine, HelpVersionAndMistakes) {
    const RunResult help = test::run_program(WIPER_BINARY, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: wiper-render"), std::string::npos);
    const RunResult version = test::run_program(WIPER_BINARY, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("wiper-render ", 0), 0u);
    // A usage error ends with the synopsis --help opens with, on one line whatever the
    // argument holds; which argument lists are mistakes is the command-line unit table's.
    const std::string synopsis = help.out.substr(7, help.out.find('\n') - 7);
    const std::vector<std::vector<std::string>> mistakes = {{"--x\n\x1b[2J"}, {"--rebuild-memory=18446744073709551616"}};
    for (const std::vector<std::string>& bad : mistakes) {
        const RunResult r = test::run_program(WIPER_BINARY, bad);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("wiper-render: usage: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("; " + synopsis + ", or --help\n"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
    }
}

struct FailureCase {
    const char* name;
    std::function<void(const TempFolder&)> setup;
    int status;
    const char* kind;
    const char* names;                  // text the message must hold
    std::set<std::string> frames_left;  // what buffer/ holds afterwards
};

class Failures : public testing::TestWithParam<FailureCase> {};

TEST_P(Failures, StopWithTheirKindAndStatusLeavingWhatWasSaved) {
    const FailureCase& c = GetParam();
    if (test::is_windows && std::string(c.name).find("InPartName") != std::string::npos)
        GTEST_SKIP() << "Windows file names cannot hold control characters";
    TempFolder dir;
    scene(dir, 30, 30, {});
    c.setup(dir);
    const std::set<std::string> before = files_in(dir.path());
    const RunResult r = render(dir);
    EXPECT_EQ(r.status, c.status) << r.err;
    const std::string report = test::without_warnings(r.err);
    EXPECT_EQ(report.rfind(std::string("wiper-render: ") + c.kind + ": ", 0), 0u) << r.err;
    EXPECT_NE(report.find(c.names), std::string::npos) << r.err;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.find_first_of("\r\x1b"), std::string::npos) << r.err;
    if (fs::exists(dir / "buffer")) {
        EXPECT_EQ(files_in(dir / "buffer"), c.frames_left);
    }
    // Nothing outside buffer/ is created, and no partial file is left behind.
    for (const std::string& f : files_in(dir.path())) {
        if (!before.count(f)) {
            EXPECT_EQ(f.rfind("buffer/w_", 0), 0u) << f;
        }
    }
}

const std::set<std::string> none;
const std::set<std::string> two_frames{"w_1.bmp", "w_2.bmp"};

INSTANTIATE_TEST_SUITE_P(
    Run, Failures,
    testing::Values(
        FailureCase{"MissingImageSettings", [](auto& d) { fs::remove(d / "immagini.txt"); }, 10, "file not found",
                    "immagini.txt", none},
        FailureCase{"MissingBladeTurns", [](auto& d) { fs::remove(d / "rotazione_spazzole.txt"); }, 10,
                    "file not found", "rotazione_spazzole.txt", none},
        FailureCase{"NoPartFile", [](auto&) {}, 12, "file access failure", "no part file", none},
        FailureCase{"MissingBuffer",
                    [](auto& d) { fs::remove(d / "buffer"); d.write("coordinate.txt", square); },
                    11, "path not found", "buffer", none},
        FailureCase{"PointOneHundredAndTwo",
                    [](auto& d) {
                        std::string s = "3,90,0,0\n";
                        for (int i = 0; i < 101; ++i) s += "1,1\n";
                        d.write("coordinate.txt", s + "5\n");
                    },
                    14, "index out of range", "coordinate.txt line 103", none},
        // A carried part places its point 0 even when it has no outline.
        FailureCase{"NegativeSweepProductOverflows",
                    [](auto& d) { d.write("coordinate_nr.txt", "3,-2000000000,0,0\n"); }, 15, "overflow",
                    "coordinate_nr.txt, frame 3: (n - 1) x sweep_angle = 2 x -2000000000 is beyond the 32-bit range",
                    two_frames},
        FailureCase{"RoundedCoordinateOverflows",
                    [](auto& d) { d.write("coordinate.txt", "2,180,2000000000,0\n-2000000000,0\n"); }, 15,
                    "overflow", "coordinate.txt, frame 2: point 0 (-2000000000, 0): x rounds to 5999999931, beyond",
                    std::set<std::string>{"w_1.bmp"}},
        FailureCase{"LeftoverNotAPicture",
                    [](auto& d) {
                        d.write("coordinate_1.txt", "0,90,0,0\n");
                        d.write("coordinate_2.txt", square);
                        d.write("buffer/w_1.bmp", "this is not a picture");
                    },
                    17, "invalid picture", "w_1.bmp", std::set<std::string>{"w_1.bmp"}},
        FailureCase{"HugeSurface", [](auto& d) { d.write("immagini.txt", "w,32767,32767\n"); }, 18, "invalid size",
                    "1 GiB", none},
        FailureCase{"FractionInPart", [](auto& d) { d.write("coordinate.txt", "3,90,0,0\n1.5,2\n"); }, 19,
                    "invalid number", "\"1.5\"", none},
        FailureCase{"LineEndInImageName", [](auto& d) { d.write("immagini.txt", "\"w\r\nx\",30,30\n"); }, 20,
                    "invalid image name", "\"w\\x0d\\x0ax\" holds the control character 0x0d", none},
        FailureCase{"LineEndInPartName", [](auto& d) { d.write("coordinate\nx.txt", "3,x\n"); }, 19,
                    "invalid number", "coordinate\\nx.txt line 1", none},
        FailureCase{"EscapeInPartName", [](auto& d) { d.write("coordinate\x1b]0;owned\x07.txt", "3,x\n"); }, 19,
                    "invalid number", "coordinate\\x1b]0;owned\\x07.txt line 1", none},
        FailureCase{"FolderWhereAFrameShouldBe",
                    [](auto& d) { d.make_folder("buffer/w_3.bmp"); d.write("coordinate.txt", square); },
                    12, "file access failure", "w_3.bmp", std::set<std::string>{"w_1.bmp", "w_2.bmp", "w_3.bmp"}}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(WriteFailures, ReadOnlyBufferStopsTheRun) {
    if (const std::string why = test::why_no_read_only_folders(); !why.empty()) GTEST_SKIP() << why;
    TempFolder dir;
    scene(dir, 30, 30, {{"coordinate.txt", square}});
    fs::permissions(dir / "buffer", fs::perms::owner_read | fs::perms::owner_exec);
    const RunResult r = render(dir);
    EXPECT_EQ(r.status, 12) << r.err;
}

} // namespace
} // namespace wiper
