#include <gtest/gtest.h>

#include <functional>

#include "batch/folder_inputs.h"
#include "batch/frame_names.h"
#include "batch/part_file.h"
#include "common/failure.h"
#include "platform/files.h"
#include "support/failure_of.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

using test::TempFolder;

void good_folder(const TempFolder& dir) {
    dir.write("immagini.txt", "\"w\",40,30\n");
    dir.write("rotazione_spazzole.txt", "30,-45\n");
    dir.write("coordinate_b_nr.txt", "3,90,0,0\n");
    dir.write("coordinate_a.txt", "3,90,0,0\n");
    dir.make_folder("buffer");
}

TEST(FolderInputs, AreReturnedAsValues) {
    TempFolder dir;
    good_folder(dir);
    const FolderInputs inputs = read_folder_inputs(dir.str());
    EXPECT_EQ(inputs.image.name, "w");
    EXPECT_EQ(inputs.image.width, 40);
    EXPECT_EQ(inputs.image.height, 30);
    EXPECT_EQ(inputs.turns.blade_turn_1, 30);
    EXPECT_EQ(inputs.turns.blade_turn_2, -45);
    EXPECT_EQ(inputs.parts, (std::vector<std::string>{"coordinate_a.txt", "coordinate_b_nr.txt"}));
}

// Each fault alone, and the first in the order the checks are made wins over
// every later one (each row also breaks whatever the rows after it break).
struct Fault {
    const char* name;
    std::function<void(const TempFolder&)> make;
    FailureKind kind;
    const char* says;
};
std::ostream& operator<<(std::ostream& os, const Fault& f) { return os << f.name; }

class FolderFault : public testing::TestWithParam<Fault> {};

TEST_P(FolderFault, FailsFirstWhereTheRunWould) {
    TempFolder dir;
    good_folder(dir);
    GetParam().make(dir);
    const Failure f = test::failure_of([&] { read_folder_inputs(dir.str()); });
    EXPECT_EQ(f.kind(), GetParam().kind) << f.what();
    EXPECT_NE(std::string(f.what()).find(GetParam().says), std::string::npos) << f.what();
}

const auto buffer_a_file = [](const TempFolder& d) {
    std::filesystem::remove(d / "buffer");
    d.write("buffer", "");
};
const auto no_parts = [](const TempFolder& d) {
    buffer_a_file(d);
    for (const char* name : {"coordinate_a.txt", "coordinate_b_nr.txt"}) std::filesystem::remove(d / name);
};
const auto bad_size = [](const TempFolder& d) {
    no_parts(d);
    d.write("immagini.txt", "\"w\",0,30\n");
};
const auto bad_turns = [](const TempFolder& d) {
    bad_size(d);
    d.write("rotazione_spazzole.txt", "30\n");
};
const auto no_settings = [](const TempFolder& d) {
    bad_turns(d);
    std::filesystem::remove(d / "immagini.txt");
};

INSTANTIATE_TEST_SUITE_P(
    InOrder, FolderFault,
    testing::Values(Fault{"BufferIsAFile", buffer_a_file, FailureKind::path_not_found, "a folder named buffer"},
                    Fault{"NoPartFile", no_parts, FailureKind::file_access, "no part file"},
                    Fault{"SizeOutOfRange", bad_size, FailureKind::invalid_size, "immagini.txt: the picture size"},
                    Fault{"OneBladeTurn", bad_turns, FailureKind::read_past_end, "rotazione_spazzole.txt line 2"},
                    Fault{"NoImageSettings", no_settings, FailureKind::file_not_found, "immagini.txt"}),
    [](const testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

TEST(ReadPart, ACarriedPartWithoutPointsRidesOnSlotZeroOfThePartBeforeIt) {
    TempFolder dir;
    dir.write("coordinate_nr.txt", "3,90,0,0\n");
    Part before;
    before.part_points[0] = {7, 8};
    const Part part = read_part(dir.str(), "coordinate_nr.txt", before);
    EXPECT_EQ(part.kind, PartKind::carried);
    EXPECT_EQ(part.last_point, -1);
    EXPECT_EQ(part.part_points[0], (screen_point{7, 8}));
    EXPECT_EQ(read_part(dir.str(), "coordinate_nr.txt", Part{}).part_points[0], (screen_point{0, 0}));
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

TEST(FrameNames, WhereFilesGoAndHowTheyAreShown) {
    const FrameNames names("p", "wiper");
    const std::string buffer = files::join("p", "buffer");
    EXPECT_EQ(FrameNames::buffer("p"), buffer);
    EXPECT_EQ(names.frame(12), files::join(buffer, "wiper_12.bmp"));
    EXPECT_EQ(names.shown_frame(12), files::join("buffer", "wiper_12.bmp"));
    EXPECT_EQ(names.field_picture(), files::join(buffer, "wiper_wiped.bmp"));
    EXPECT_EQ(names.shown_field_picture(), files::join("buffer", "wiper_wiped.bmp"));
}

} // namespace
} // namespace wiper
