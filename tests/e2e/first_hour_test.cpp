// What a new user meets: the summary, the warnings for likely mistakes, the
// failures that say what to fix, and text files as Windows editors save them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "imaging/frame_surface.h"
#include "support/run_binary.h"
#include "support/temp_folder.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

const std::string arm = "3,90,15,15\n15,5\n17,5\n17,15\n15,15\n";
const std::string blade = "3,90,15,15\n15,5\n13,3\n17,3\n17,7\n13,7\n";
const std::string short_blade = "2,90,15,15\n15,5\n13,3\n17,3\n17,7\n13,7\n";
const std::string long_arm = "4,90,15,15\n15,5\n17,5\n17,15\n15,15\n";

std::string utf16(const std::u16string& text, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        bytes += big_endian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
}

struct Case {
    const char* name;
    std::function<void(const TempFolder&)> setup; // changes to a one-arm scene, 30 x 30, prefix w
    int status = 0;
    std::vector<std::string> holds = {};  // stderr holds each
    int warnings = 0;                     // warning lines on stderr
    const char* frame = "buffer/w_3.bmp"; // exists afterwards, for a run that finishes
    std::vector<std::string> args = {};
    const char* folder = "";              // what is given as FOLDER, inside the scene
};

std::ostream& operator<<(std::ostream& os, const Case& c) { return os << c.name; }

class FirstHour : public testing::TestWithParam<Case> {};

TEST_P(FirstHour, SaysWhatHappenedAndWhatToFix) {
    const Case& c = GetParam();
    if (std::string(c.name) == "SettingsInTwoCases") WIPER_SKIP_WHERE_NAMES_IGNORE_CASE();
    TempFolder dir;
    test::write_scene(dir.path(), 30, 30, {{"coordinate_arm.txt", arm}}, "30,30");
    c.setup(dir);
    std::vector<std::string> args = {"--headless"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back((dir / c.folder).string());
    const test::RunResult r = test::run_program(WIPER_BINARY, args);

    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& text : c.holds) EXPECT_NE(r.err.find(text), std::string::npos) << text << "\n" << r.err;
    const std::string report = test::without_warnings(r.err);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n') - std::count(report.begin(), report.end(), '\n'), c.warnings)
        << r.err;
    if (c.status == 0) {
        EXPECT_EQ(report, "");
        EXPECT_TRUE(fs::exists(dir / c.frame)) << c.frame;
    } else {
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << r.err;
    }
    if (std::string(c.name) == "Summary") {
        EXPECT_EQ(r.out, "coordinate_arm.txt       swept    3 frames\n"
                         "coordinate_blade_nr.txt  carried  3 frames\n"
                         "wiper-render: 2 parts, 3 frames: " +
                             test::native_path("buffer/w_1.bmp to buffer/w_3.bmp") + "\n");
    }
    if (std::find(c.args.begin(), c.args.end(), "--quiet") != c.args.end()) {
        EXPECT_EQ(r.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Run, FirstHour,
    testing::Values(
        Case{"Summary", [](auto& d) { d.write("coordinate_blade_nr.txt", blade); }},
        Case{"Quiet", [](auto&) {}, 0, {}, 0, "buffer/w_3.bmp", {"--quiet"}},
        Case{"PartWithNoFrames", [](auto& d) { d.write("coordinate_z.txt", "0,90,1,1\n"); }, 0,
             {"warning: coordinate_z.txt: frame_count is 0, so this part draws no frame"}, 1},
        Case{"FewerFramesThanThePartsBefore", [](auto& d) { d.write("coordinate_blade_nr.txt", short_blade); },
             0, {"warning: coordinate_blade_nr.txt has 2 frames but coordinate_arm.txt before it has 3: frame 3 lacks it"},
             1},
        Case{"LeftoverOfAnEarlierRun",
             [](auto& d) {
                 d.write("coordinate_b.txt", long_arm);
                 FrameSurface old;
                 old.set_size(30, 30);
                 d.write_bytes("buffer/w_4.bmp", test::encode_surface(old));
             },
             0, {"warning: coordinate_b.txt draws over frame 4 left in buffer/ by an earlier run"}, 1,
             "buffer/w_4.bmp"},
        Case{"BackupCopyOfAPart", [](auto& d) { d.write("coordinate_arm.txt~", arm); }, 0,
             {"warning: coordinate_arm.txt~ looks like a backup or editor copy"}, 1},
        Case{"FolderIsAFile", [](auto&) {}, 11, {"immagini.txt is a file, not a folder"}, 0, "", {}, "immagini.txt"},
        Case{"BufferIsAFile",
             [](auto& d) {
                 fs::remove(d / "buffer");
                 d.write("buffer", "");
             },
             11, {"buffer is a file, not a folder"}},
        Case{"Utf16LittleEndian", [](auto& d) { d.write("immagini.txt", utf16(u"\"scène\",30,30\r\n", false)); }, 0, {},
             0, "buffer/scène_3.bmp"},
        Case{"Utf16BigEndian",
             [](auto& d) {
                 d.write("immagini.txt", utf16(u"\"scène\"\n30\n30\n", true));
                 d.write("rotazione_spazzole.txt", utf16(u"30,30\n", true));
             },
             0, {}, 0, "buffer/scène_3.bmp"},
        Case{"BrokenUtf16", [](auto& d) { d.write("immagini.txt", utf16(u"w,30,30\n" + std::u16string(1, 0xD800), false)); },
             12, {"immagini.txt line 2: cannot be read as UTF-16"}},
        Case{"Windows1252", [](auto& d) { d.write("immagini.txt", "\"sc\xE8na\",30,30\n"); }, 0, {}, 0,
             "buffer/scèna_3.bmp"},
        Case{"SettingsNamedInAnotherCase",
             [](auto& d) {
                 fs::rename(d / "immagini.txt", d / "Immagini.txt");
                 fs::rename(d / "rotazione_spazzole.txt", d / "ROTAZIONE_SPAZZOLE.TXT");
             }},
        Case{"SettingsInTwoCases",
             [](auto& d) {
                 fs::rename(d / "immagini.txt", d / "Immagini.txt");
                 d.write("IMMAGINI.TXT", "w,30,30\n");
             },
             10, {"several differ from it only in case (IMMAGINI.TXT, Immagini.txt)"}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
