#include <gtest/gtest.h>

#include <functional>

#include "batch/folder_inputs.h"
#include "batch/part_file.h"
#include "common/failure.h"
#include "support/failure_of.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// Broken from the last check to the first: each fault comes on top of every
// later one, and the first in the order the run checks them is the one reported.
TEST(FolderInputs, AreValuesAndFailFirstWhereTheRunWould) {
    TempFolder dir;
    test::write_scene(dir.path(), 40, 30, {{"coordinate_a.txt", "3,90,0,0\n"}}, "30,-45");
    const FolderInputs inputs = read_folder_inputs(dir.str());
    EXPECT_EQ(inputs.image.name + " " + std::to_string(inputs.image.width) + "x" + std::to_string(inputs.image.height) +
                  " " + std::to_string(inputs.turns.blade_turn_1) + "," + std::to_string(inputs.turns.blade_turn_2),
              "w 40x30 30,-45");
    EXPECT_EQ(inputs.parts, std::vector<std::string>{"coordinate_a.txt"});
    const struct {
        std::function<void()> breaks;
        FailureKind kind;
        const char* says;
    } faults[] = {
        {[&] { fs::remove(dir / "buffer"), dir.write("buffer", ""); }, FailureKind::path_not_found,
         "a folder named buffer"},
        {[&] { fs::remove(dir / "coordinate_a.txt"); }, FailureKind::file_access, "no part file"},
        {[&] { dir.write("immagini.txt", "w,0,30\n"); }, FailureKind::invalid_size, "immagini.txt: the picture size"},
        {[&] { dir.write("rotazione_spazzole.txt", "30\n"); }, FailureKind::read_past_end,
         "rotazione_spazzole.txt line 2"},
        {[&] { fs::remove(dir / "immagini.txt"); }, FailureKind::file_not_found, "immagini.txt"},
    };
    for (const auto& fault : faults) {
        fault.breaks();
        const Failure f = test::failure_of([&] { read_folder_inputs(dir.str()); });
        EXPECT_EQ(f.kind(), fault.kind) << f.what();
        EXPECT_NE(std::string(f.what()).find(fault.says), std::string::npos) << f.what();
    }
}

TEST(ReadPart, ACarriedPartWithoutPointsRidesOnSlotZeroOfThePartBeforeIt) {
    TempFolder dir;
    dir.write("coordinate_nr.txt", "3,90,0,0\n");
    Part before;
    before.part_points[0] = {7, 8};
    const Part part = read_part(dir.str(), "coordinate_nr.txt", before);
    EXPECT_EQ(part.kind, PartKind::carried);
    EXPECT_EQ(part.part_points[0], (screen_point{7, 8}));
}

TEST(ReadPart, AStopEndsTheReadingOfALargeFile) {
    TempFolder dir;
    dir.write("coordinate.txt", "3,90,0,0\n1,1\n" + std::string(std::size_t{3} << 20, '\n'));
    int calls = 0;
    const auto stop_on_the_third = [&] {
        if (++calls == 3) throw Failure(FailureKind::stopped, "stopped");
    };
    EXPECT_EQ(test::kind_of([&] { read_part(dir.str(), "coordinate.txt", Part{}, stop_on_the_third); }),
              FailureKind::stopped);
}

} // namespace
} // namespace wiper
