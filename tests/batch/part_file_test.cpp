#include <gtest/gtest.h>

#include <filesystem>

#include "batch/part_file.h"
#include "common/failure.h"
#include "support/failure_of.h"
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
    EXPECT_EQ(part_kind_of("coordinate_NR2.txt"), PartKind::carried);
    EXPECT_EQ(part_kind_of("CoordinateNr.txt"), PartKind::carried);
    EXPECT_EQ(part_kind_of("coordinate_blade_nr"), PartKind::carried);
    EXPECT_EQ(part_kind_of("coordinate_n_r.txt"), PartKind::swept);
    EXPECT_EQ(part_kind_of("coordinate_rn.txt"), PartKind::swept);
}

} // namespace
} // namespace wiper
