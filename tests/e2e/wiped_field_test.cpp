// The wiped field through the real program: its options, the zones and their
// statuses, malformed zone files, and what the field must hold. Each row is
// the one-wiper example scene (an arm and a blade, 170 x 150, 10 frames) with
// changes, and what the program must do with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "imaging/bmp_reader.h"
#include "imaging/frame_surface.h"
#include "support/run_binary.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

struct Row {
    const char* name;
    std::vector<std::string> args;
    std::function<void(const TempFolder&)> setup;
    int status = 0;
    std::vector<std::string> err = {}; // stderr holds each
    std::vector<std::string> out = {}; // stdout holds each
    int frames = 10;                   // frame files afterwards
};
std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.name; }

std::string points(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += std::to_string(10 + i % 100) + "," + std::to_string(10 + i / 100) + "\n";
    return s;
}

FrameSurface picture_of(const TempFolder& dir, const std::string& name) {
    const std::vector<std::uint8_t> bytes = dir.read_bytes(name);
    MemorySource source(bytes, name);
    FrameSurface s;
    s.set_size(170, 150);
    decode_bmp_onto(source, s);
    return s;
}

void scene(const TempFolder& dir) {
    fs::copy(fs::path(WIPER_EXAMPLES) / "one-wiper", dir.path(), fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(dir / "buffer")) fs::remove(e.path());
}

class WipedField : public testing::TestWithParam<Row> {};

TEST_P(WipedField, AnswersWhatTheBladesWipe) {
    const Row& row = GetParam();
    TempFolder dir;
    scene(dir);
    row.setup(dir);
    std::vector<std::string> args{"--headless"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    args.push_back(dir.str());
    const test::RunResult r = test::run_program(WIPER_BINARY, args);

    EXPECT_EQ(r.status, row.status) << r.err;
    for (const std::string& text : row.err) EXPECT_NE(r.err.find(text), std::string::npos) << text << "\n" << r.err;
    for (const std::string& text : row.out) EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    const std::string report = test::without_warnings(r.err);
    const bool failed = r.status != 0 && r.status != 40;
    if (failed) {
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << r.err;
    }
    int frames = 0;
    for (const auto& e : fs::directory_iterator(dir / "buffer")) {
        const bool picture = e.path().filename().string().find("_wiped") != std::string::npos;
        frames += !picture;
        EXPECT_FALSE(failed && picture) << "a failed run wrote " << e.path();
    }
    EXPECT_EQ(frames, row.frames);
    if (r.status != 0 || row.frames == 0 || std::find(row.args.begin(), row.args.end(), "--wiped") == row.args.end())
        return;

    // The frames are those of a plain run, and every pixel the blade draws in
    // them lies in its field (the arm, which does not wipe, is taken out).
    TempFolder plain;
    scene(plain);
    row.setup(plain);
    ASSERT_EQ(test::run_program(WIPER_BINARY, {"--headless", plain.str()}).status, 0);
    for (int n = 1; n <= 10; ++n) {
        const std::string frame = "buffer/myscene_" + std::to_string(n) + ".bmp";
        EXPECT_EQ(dir.read_bytes(frame), plain.read_bytes(frame)) << frame;
    }
    const FrameSurface field = picture_of(dir, "buffer/myscene_wiped.bmp");
    for (int n = 1; n <= 10; ++n) {
        const FrameSurface frame = picture_of(dir, "buffer/myscene_" + std::to_string(n) + ".bmp");
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 170; ++x)
                if (frame.pixel(x, y) == black) {
                    ASSERT_NE(field.pixel(x, y), white) << n << ": " << x << "," << y;
                }
    }
}

const std::string blade_only = "coordinate_arm.txt";

// An image name of `length` bytes for the scene's 170 x 150 picture.
void prefix_of(const TempFolder& dir, std::size_t length) {
    dir.write("immagini.txt", std::string("\"").append(length, 'w').append("\",170,150\n"));
}
// A third part with fewer frames than the two before it.
void short_third_part(const TempFolder& dir) { dir.write("coordinate_c.txt", "5,90,30,120\n28,120\n28,20\n32,20\n"); }
const std::string short_third_part_warning =
    "warning: coordinate_c.txt has 5 frames but coordinate_arm.txt before it has 10: frames 6 to 10 lack it\n";

INSTANTIATE_TEST_SUITE_P(
    Run, WipedField,
    testing::Values(
        Row{"FramesThenField", {"--wiped"}, [](auto& d) { fs::remove(d / blade_only); }, 0, {},
            {"wiped field: " + test::native_path("buffer/myscene_wiped.bmp") + " (the carried part wipes)\n"
             "  coordinate_blade_nr.txt   "}},
        Row{"FieldAloneReadsAndWritesNoFrame", {"--wiped-only"}, [](auto& d) { d.write("buffer/myscene_1.bmp", "no picture"); },
            0, {}, {"together "}, 1},
        Row{"ZonesMetAndShort", {"--wiped-only"},
            [](auto& d) {
                d.write("zone_a.txt", "75\n95,45\n105,50\n100,60\n");
                d.write("Zone_B.txt", "50,0,0,169,0,169,149,0,149");
            },
            40, {"wiper-render: zone short: Zone_B.txt: "},
            {"  zone_a.txt ", "% required: ok\n", "% of 25500 px wiped, 50% required: short\n"}, 0},
        Row{"QuietStillSaysWhatIsShort", {"--wiped", "--quiet"}, [](auto& d) { d.write("zone.txt", "100,0,0,169,0,169,149"); },
            40, {"zone short: zone.txt"}},
        Row{"ZoneReachingOutside", {"--wiped-only"}, [](auto& d) { d.write("zone1", "0\n-5,-5\n20,0\n0,20\n"); }, 0,
            {"warning: zone1 reaches outside the 170 x 150 picture"}, {}, 0},
        Row{"ZoneOutsideThePicture", {"--wiped"}, [](auto& d) { d.write("zone1", "5\n-5,-5\n-20,0\n0,-20\n"); }, 14,
            {"zone1: the zone has no pixel inside the 170 x 150 picture"}, {}, 0},
        Row{"ZoneWithoutShare", {"--wiped"}, [](auto& d) { d.write("zone1", "\n"); }, 13, {"zone1 line 2: a number is missing"}, {}, 0},
        Row{"ZoneShareOutOfRange", {"--wiped"}, [](auto& d) { d.write("zone1", "101,1,1,5,1,5,5"); }, 19,
            {"the required share 101 is not a whole percent from 0 to 100"}, {}, 0},
        Row{"ZoneWord", {"--wiped"}, [](auto& d) { d.write("zone1", "50\n1,1\n5,x\n"); }, 19, {"zone1 line 3: \"x\""}, {}, 0},
        Row{"ZoneOfTwoPoints", {"--wiped"}, [](auto& d) { d.write("zone1", "50\n1,1\n5,5\n"); }, 13,
            {"a zone needs at least 3 points, it has 2"}, {}, 0},
        Row{"ZoneOfALoneX", {"--wiped"}, [](auto& d) { d.write("zone1", "50\n1,1\n5,5\n9,9\n7\n"); }, 13,
            {"the last point has an x but no y"}, {}, 0},
        Row{"ZoneOfTooManyPoints", {"--wiped"}, [](auto& d) { d.write("zone1", "50\n" + points(1001)); }, 14,
            {"more than 1000 points"}, {}, 0},
        Row{"ZonesAreNotReadWithoutTheOptions", {}, [](auto& d) { d.write("zone1", "nonsense"); }},
        Row{"NoCarriedPartEveryPartWipes", {"--wiped-only"}, [](auto& d) { fs::remove(d / "coordinate_blade_nr.txt"); },
            0, {}, {"(no part is carried, so the one swept part wipes)"}, 0},
        Row{"BladesThatCross", {"--wiped-only"},
            [](auto& d) { d.write("coordinate_other_nr.txt", "10,-90,130,120\n130,20\n110,18\n150,18\n150,22\n110,22\n"); },
            0, {"warning: coordinate_blade_nr.txt and coordinate_other_nr.txt overlap between frame "}, {}, 0},
        Row{"FailsAsTheRunWould", {"--wiped-only"}, [](auto& d) { d.write("coordinate_blade_nr.txt", "1,90,30,120\n30,20\n10,18\n50,18\n"); },
            16, {"floating-point fault: coordinate_blade_nr.txt, frame 1: a part needs at least 2 frames"}, {}, 0},
        Row{"FarPivotIsBoundedAndApproximate", {"--wiped-only"},
            [](auto& d) { d.write("coordinate_blade_nr.txt", "10,-80,85,1000075\n85,75\n65,70\n105,70\n105,80\n65,80\n"); },
            0, {"its wiped field is approximate"}, {}, 0},
        // Frames 1 to 10 fit in 255 bytes, the picture's name does not; frame 10 does not.
        Row{"PictureNameTooLong", {"--wiped"}, [](auto& d) { prefix_of(d, 246); }, 20,
            {"_wiped.bmp a file name of 256 bytes, and a file name may have at most 255 bytes"}, {}, 0},
        Row{"FrameNameTooLong", {}, [](auto& d) { prefix_of(d, 249); }, 20, {"_10.bmp a file name of 256 bytes"}, {}, 0},
        Row{"FewerFramesWarnedInTheRun", {}, short_third_part, 0, {short_third_part_warning}},
        Row{"FewerFramesWarnedAsInTheRun", {"--wiped-only"}, short_third_part, 0, {short_third_part_warning}, {}, 0}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
