#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "batch/part_file.h"
#include "batch/part_listing.h"
#include "batch/run_batch.h"
#include "batch/settings_files.h"
#include "common/failure.h"
#include "platform/files.h"
#include "support/failure_of.h"
#include "support/platform.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

using test::TempFolder;

std::string pairs(int count, int first = 0) {
    std::string s;
    for (int i = 0; i < count; ++i) s += std::to_string(first + i) + "," + std::to_string(-(first + i)) + "\n";
    return s;
}

using test::kind_of;

TEST(PartFile, HeaderAndPointsInFileOrder) {
    TempFolder dir;
    dir.write("coordinate1.txt", "40\n-90\n300,\n380\n1,2\n3,4\n");
    Module1 m;
    legge_files_coordinate(m, dir.str(), "coordinate1.txt");
    EXPECT_EQ(m.part.frame_count, 40);
    EXPECT_EQ(m.part.sweep_angle, -90);
    EXPECT_EQ(m.part.centre_x, 300);
    EXPECT_EQ(m.part.centre_y, 380);
    EXPECT_EQ(m.part.last_point, 1);
    EXPECT_EQ(m.part.part_points[0], (screen_point{1, 2}));
    EXPECT_EQ(m.part.part_points[1], (screen_point{3, 4}));
}

TEST(PartFile, ExactlyOneHundredAndOnePairsAreReadWhole) {
    TempFolder dir;
    dir.write("c.txt", "3,90,0,0\n" + pairs(101));
    Module1 m;
    legge_files_coordinate(m, dir.str(), "c.txt");
    EXPECT_EQ(m.part.last_point, 100);
    EXPECT_EQ(m.part.part_points[100], (screen_point{100, -100}));
}

TEST(PartFile, OneMoreValueIsOutOfRange) {
    TempFolder dir;
    dir.write("c.txt", "3,90,0,0\n" + pairs(101) + "7\n");
    Module1 m;
    EXPECT_EQ(kind_of([&] { legge_files_coordinate(m, dir.str(), "c.txt"); }), FailureKind::index_out_of_range);
}

TEST(PartFile, OddValueCountDropsTheLastButKeepsItsX) {
    TempFolder dir;
    dir.write("c.txt", "3,90,0,0\n10,20,30\n");
    Module1 m;
    legge_files_coordinate(m, dir.str(), "c.txt");
    EXPECT_EQ(m.part.last_point, 0);
    EXPECT_EQ(m.part.part_points[0], (screen_point{10, 20}));
    EXPECT_EQ(m.part.part_points[1].x, 30);
}

TEST(PartFile, HeaderOnlyHasNoPointsAndKeepsTheOldSlots) {
    TempFolder dir;
    dir.write("a.txt", "3,90,0,0\n5,6\n");
    dir.write("b.txt", "3,90,0,0");
    Module1 m;
    legge_files_coordinate(m, dir.str(), "a.txt");
    legge_files_coordinate(m, dir.str(), "b.txt");
    EXPECT_EQ(m.part.last_point, -1);
    EXPECT_EQ(m.part.part_points[0], (screen_point{5, 6})); // slots are not cleared between parts
}

TEST(PartFile, Failures) {
    TempFolder dir;
    dir.write("short.txt", "3,90,0\n");
    dir.write("bad.txt", "3,90,0,0\n1,2\n3,x\n");
    Module1 m;
    EXPECT_EQ(kind_of([&] { legge_files_coordinate(m, dir.str(), "short.txt"); }), FailureKind::read_past_end);
    EXPECT_EQ(kind_of([&] { legge_files_coordinate(m, dir.str(), "bad.txt"); }), FailureKind::invalid_number);
    EXPECT_EQ(kind_of([&] { legge_files_coordinate(m, dir.str(), "missing.txt"); }), FailureKind::file_not_found);
    EXPECT_EQ(kind_of([&] { legge_files_coordinate(m, dir.str() + "/nowhere", "x.txt"); }),
              FailureKind::path_not_found);
}

TEST(PartFile, RegressionHugeSparseFileIsRefusedNotLoaded) {
    TempFolder dir;
    dir.write("c.txt", "3,90,0,0\n");
    std::filesystem::resize_file(dir / "c.txt", std::uintmax_t{1} << 36); // 64 GiB of holes
    Module1 m;
    EXPECT_EQ(kind_of([&] { legge_files_coordinate(m, dir.str(), "c.txt"); }), FailureKind::file_access);
}

TEST(PartKind, NrAnywhereInAnyCaseIsCarried) {
    EXPECT_TRUE(is_carried_part("coordinate_NR2.txt"));
    EXPECT_TRUE(is_carried_part("CoordinateNr.txt"));
    EXPECT_TRUE(is_carried_part("coordinate_blade_nr"));
    EXPECT_FALSE(is_carried_part("coordinate_n_r.txt"));
    EXPECT_FALSE(is_carried_part("coordinate_rn.txt"));
}

TEST(PartListing, NtfsOrderRegularFilesOnly) {
    TempFolder dir;
    for (const char* name : {"COORDINATE_B.txt", "coordinateA.txt", "coordinate_a.txt", "Coordinate_a.txt",
                             "coordinate", "other.txt", "xcoordinate.txt"})
        dir.write(name, "1,1,1,1");
    dir.make_folder("coordinate_dir");
    test::try_symlink(dir / "coordinateA.txt", dir / "coordinate_link.txt");
    test::try_symlink(dir / "gone.txt", dir / "coordinate_dangling.txt");
    // A folder that ignores case (Windows) holds one of the two names that
    // differ only in case, and an account without the privilege no links.
    std::set<std::string> present;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) present.insert(test::utf8_string(e.path().filename()));
    std::vector<std::string> expected;
    // Folded to upper case, "A" (0x41) sorts before "_" (0x5F); names equal but
    // for case fall back to their bytes.
    for (const char* name : {"coordinate", "coordinateA.txt", "Coordinate_a.txt", "coordinate_a.txt", "COORDINATE_B.txt",
                             "coordinate_link.txt"})
        if (present.count(name)) expected.push_back(name);
    EXPECT_EQ(list_files_named(dir.str(), part_file_prefix), expected);
}

TEST(ImageSettings, ReadsNameAndSize) {
    TempFolder dir;
    dir.write("immagini.txt", "\xEF\xBB\xBF\"wiper\",753,394\nanything after is not read x y z");
    Module1 m;
    read_image_settings(m, dir.str());
    EXPECT_EQ(m.image_name, "wiper");
    EXPECT_EQ(m.image_width, 753);
    EXPECT_EQ(m.image_height, 394);
    EXPECT_EQ(frame_file_path("p", m.image_name, 12), files::join(files::join("p", "buffer"), "wiper_12.bmp"));
}

struct BadName {
    std::string field; // as written in immagini.txt
    const char* why;   // what the message must say
};

class UnsafeImageName : public testing::TestWithParam<BadName> {};

TEST_P(UnsafeImageName, IsRefusedBeforeAnythingIsWritten) {
    TempFolder dir;
    dir.write("immagini.txt", GetParam().field + ",10,10\n");
    Module1 m;
    const Failure f = test::failure_of([&] { read_image_settings(m, dir.str()); });
    EXPECT_EQ(f.kind(), FailureKind::invalid_image_name);
    EXPECT_NE(std::string(f.what()).find("immagini.txt line 1: the image name"), std::string::npos) << f.what();
    EXPECT_NE(std::string(f.what()).find(GetParam().why), std::string::npos) << f.what();
}

INSTANTIATE_TEST_SUITE_P(
    Names, UnsafeImageName,
    testing::Values(BadName{"\"\"", "is empty"}, BadName{"\"../../x\"", "separator"}, BadName{"a/b", "separator"},
                    BadName{"\"a\\\\b\"", "separator"}, BadName{".", "folder"}, BadName{"\"..\"", "folder"},
                    BadName{std::string("\"a\0b\"", 5), "control character 0x00"},
                    BadName{"\"w\nx\"", "control character 0x0a"}, BadName{"\"w\x1b[2J\"", "control character 0x1b"},
                    BadName{"w\x7f", "control character 0x7f"}, BadName{"w\xc2\x85", "control character U+0085"},
                    BadName{"\xc2\x9b" "2J", "control character U+009B"}, BadName{"w\xe2\x80\xa8", "U+2028"},
                    BadName{"a\xe2\x80\xaegnp", "U+202E"}, BadName{"a\xe2\x81\xa6" "b", "U+2066"},
                    BadName{"w\x81", "control character U+0081"}, // a byte Windows-1252 leaves a control
                    BadName{"\"a:b\"", "':'"}, BadName{"a<b", "'<'"},
                    BadName{"a>b", "'>'"}, BadName{"a\"b", "'\"'"}, BadName{"a|b", "'|'"}, BadName{"a?", "'?'"},
                    BadName{"*", "'*'"}, BadName{"con", "device"}, BadName{"Nul.bmp", "device"},
                    BadName{"AUX.a.b", "device"}, BadName{"prn", "device"}, BadName{"com1", "device"},
                    BadName{"LPT9.txt", "device"}, BadName{"\"w.\"", "dot"}, BadName{"\"w \"", "space"}));

TEST(ImageSettings, NamesThatOnlyLookReservedAreFine) {
    for (const char* name : {"w", "Città", "console", "com10", "lpt0", "com", "auxiliary", "w.x", ".w", "a b"})
        EXPECT_EQ(image_name_fault(name), "") << name;
}

TEST(BladeTurns, TwoAngles) {
    TempFolder dir;
    dir.write("rotazione_spazzole.txt", "-30\n45\n");
    const BladeTurns t = read_blade_turns(dir.str());
    EXPECT_EQ(t.blade_turn_1, -30);
    EXPECT_EQ(t.blade_turn_2, 45);
    dir.write("rotazione_spazzole.txt", "30\n");
    EXPECT_EQ(kind_of([&] { read_blade_turns(dir.str()); }), FailureKind::read_past_end);
}

TEST(RunBatch, StopDuringTheRefreshOfAFrameKeepsItFromBeingSaved) {
    TempFolder dir;
    dir.write("immagini.txt", "w,20,20\n");
    dir.write("rotazione_spazzole.txt", "30,30\n");
    dir.write("coordinate.txt", "3,90,10,10\n5,5\n15,5\n10,15\n");
    dir.make_folder("buffer");
    bool stop = false;
    int refreshed = 0;
    RunHooks hooks;
    hooks.refresh = [&](const FrameSurface&) {
        ++refreshed;
        stop = true; // as a key pressed while frame 1 is on screen
    };
    hooks.stop_requested = [&] { return stop; };
    Module1 m;
    FrameSurface surface;
    EXPECT_EQ(test::kind_of([&] { run_batch(m, surface, dir.str(), hooks); }), FailureKind::stopped);
    EXPECT_EQ(refreshed, 1);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "buffer"));
}

} // namespace
} // namespace wiper
