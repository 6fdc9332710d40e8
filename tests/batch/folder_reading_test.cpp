// Reading a program folder: its two settings files, the part files it lists,
// and what a run needs of them together.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "batch/folder_inputs.h"
#include "batch/part_file.h"
#include "batch/part_listing.h"
#include "batch/settings_files.h"
#include "common/failure.h"
#include "support/failure_of.h"
#include "support/platform.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// What `file` reads as: its values, "(a, b...)", or the failure's kind words and message.
std::string read_settings(const TempFolder& dir, const std::string& file) {
    std::string out = "(";
    try {
        if (file == blade_turn_file) {
            const BladeTurns t = read_blade_turns(dir.str());
            out += std::to_string(t.blade_turn_1) + ", " + std::to_string(t.blade_turn_2);
        } else {
            const ImageSettings i = read_image_settings(dir.str());
            out += i.name + ", " + std::to_string(i.width) + ", " + std::to_string(i.height);
        }
    } catch (const Failure& f) {
        return std::string(kind_name(f.kind())) + ": " + f.what();
    }
    return out += ')';
}

TEST(SettingsFiles, ReadTheirValuesOrFailSayingWhy) {
    struct Row {
        std::string name, file, text;
        std::vector<std::string> says; // each a part of the outcome
    };
    std::vector<Row> rows{
        {"ImageSettings.ReadsNameAndSize", image_settings_file,
         "\xEF\xBB\xBF\"wiper\",753,394\nanything after is not read x y z", {"(wiper, 753, 394)"}},
        {"ImageSettings.NoHeightIsNeverTakenAs0", image_settings_file, "\"w\",30\n", {"read past end of file: "}},
        {"BladeTurns.TwoAngles", blade_turn_file, "-30\n45\n", {"(-30, 45)"}},
        {"BladeTurns.OneAngle", blade_turn_file, "30\n", {"read past end of file: "}},
    };
    // UnsafeImageName.IsRefusedBeforeAnythingIsWritten: each name as written, and why it is refused.
    const std::pair<std::string, const char*> unsafe_names[] = {
        {"\"\"", "is empty"}, {"\"../../x\"", "separator"}, {"a/b", "separator"}, {"\"a\\\\b\"", "separator"},
        {".", "folder"}, {"\"..\"", "folder"}, {std::string("\"a\0b\"", 5), "control character 0x00"},
        {"\"w\nx\"", "control character 0x0a"}, {"\"w\x1b[2J\"", "control character 0x1b"},
        {"w\x7f", "control character 0x7f"}, {"w\xc2\x85", "control character U+0085"},
        {"\xc2\x9b" "2J", "control character U+009B"}, {"w\xe2\x80\xa8", "U+2028"}, {"a\xe2\x80\xaegnp", "U+202E"},
        {"a\xe2\x81\xa6" "b", "U+2066"},
        {"w\x81", "control character U+0081"}, // a byte Windows-1252 leaves a control
        {"\"a:b\"", "':'"}, {"a<b", "'<'"}, {"a>b", "'>'"}, {"a\"b", "'\"'"}, {"a|b", "'|'"}, {"a?", "'?'"},
        {"*", "'*'"}, {"con", "device"}, {"Nul.bmp", "device"}, {"AUX.a.b", "device"}, {"prn", "device"},
        {"com1", "device"}, {"LPT9.txt", "device"}, {"\"w.\"", "dot"}, {"\"w \"", "space"}};
    for (const auto& [field, why] : unsafe_names)
        rows.push_back({"UnsafeImageName " + printable(field), image_settings_file, field + ",10,10\n",
                        {"invalid image name: ", "immagini.txt line 1: the image name", why}});
    // ImageSettings.NamesThatOnlyLookReservedAreFine.
    for (const std::string name : {"w", "Città", "console", "com10", "lpt0", "com", "auxiliary", "w.x", ".w", "a b"})
        rows.push_back({"Fine " + name, image_settings_file, "\"" + name + "\",10,10\n", {"(" + name + ", 10, 10)"}});
    TempFolder dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dir.write(row.file, row.text);
        const std::string outcome = read_settings(dir, row.file);
        for (const std::string& part : row.says) EXPECT_NE(outcome.find(part), std::string::npos) << outcome;
    }
}

TEST(PartListing, NtfsOrderRegularFilesOnly) {
    TempFolder dir;
    for (const char* name : {"COORDINATE_B.txt", "coordinateA.txt", "coordinate_a.txt", "Coordinate_a.txt",
                             "coordinate", "other.txt", "xcoordinate.txt"})
        dir.write(name, "1,1,1,1");
    dir.make_folder("coordinate_dir");
    dir.write("coordinate_dir/coordinate.txt", "1,1,1,1"); // folders are not looked into
    test::try_symlink(dir / "coordinate_dir", dir / "coordinate_dir_link", true);
    test::try_symlink(dir / "coordinateA.txt", dir / "coordinate_link.txt");
    test::try_symlink(dir / "gone.txt", dir / "coordinate_dangling.txt");
    // A folder that ignores case (Windows) holds one of the two names that
    // differ only in case, and an account without the privilege no links.
    std::set<std::string> present;
    for (const auto& e : fs::directory_iterator(dir.path())) present.insert(test::utf8_string(e.path().filename()));
    std::vector<std::string> expected;
    // Folded to upper case, "A" (0x41) sorts before "_" (0x5F); names equal but
    // for case fall back to their bytes.
    for (const char* name : {"coordinate", "coordinateA.txt", "Coordinate_a.txt", "coordinate_a.txt",
                             "COORDINATE_B.txt", "coordinate_link.txt"})
        if (present.count(name)) expected.push_back(name);
    EXPECT_EQ(list_files_named(dir.str(), part_file_prefix), expected);
}

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
