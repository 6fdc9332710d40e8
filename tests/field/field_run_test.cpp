#include <gtest/gtest.h>

#include "batch/part_file.h"
#include "field/field_run.h"
#include "support/failure_of.h"
#include "support/temp_folder.h"
#include "support/test_part.h"

namespace wiper {
namespace {

// The field reads the parts through the run's reader and in its order, so each
// part is what the run draws: a carried part without points on the slot 0 of
// the part before it.
TEST(FieldRun, ReadsEveryPartAsTheRunDoes) {
    test::TempFolder dir;
    dir.write("coordinate_1.txt", "3,90,50,50\n60,50\n70,50\n70,60\n");
    dir.write("coordinate_2_nr.txt", "3,90,50,50\n");
    FolderInputs inputs;
    inputs.parts = {"coordinate_1.txt", "coordinate_2_nr.txt"};
    const std::vector<Part> parts = read_field_parts(dir.str(), inputs, {});
    Module1 m;
    ASSERT_EQ(parts.size(), 2u);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        legge_files_coordinate(m, dir.str(), inputs.parts[i]);
        EXPECT_EQ(parts[i].kind, m.part.kind);
        EXPECT_EQ(parts[i].last_point, m.part.last_point);
        EXPECT_EQ(parts[i].part_points, m.part.part_points);
    }
    EXPECT_EQ(parts[1].part_points[0], (screen_point{60, 50}));
}

// However many frames a part has, a stop asked for while it is posed ends the posing.
TEST(FieldRun, AStopEndsThePosingOfAPartOfTwoBillionFrames) {
    const Part part = test::make_part("coordinate_nr.txt", 2'000'000'000, 90, {50, 50}, {{60, 50}, {70, 50}, {70, 60}});
    int asked = 0;
    Hooks hooks;
    hooks.stop_requested = [&] { return ++asked > 1; }; // not before the loop, only inside it
    const Failure f = test::failure_of([&] { pose_every_frame(part, BladeTurns{30, 30}, hooks); });
    EXPECT_EQ(f.kind(), FailureKind::stopped);
    EXPECT_STREQ(f.what(), field_stopped_message);
}

} // namespace
} // namespace wiper
