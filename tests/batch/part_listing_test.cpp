#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "batch/part_listing.h"
#include "support/platform.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

using test::TempFolder;

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
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) present.insert(test::utf8_string(e.path().filename()));
    std::vector<std::string> expected;
    // Folded to upper case, "A" (0x41) sorts before "_" (0x5F); names equal but
    // for case fall back to their bytes.
    for (const char* name : {"coordinate", "coordinateA.txt", "Coordinate_a.txt", "coordinate_a.txt", "COORDINATE_B.txt",
                             "coordinate_link.txt"})
        if (present.count(name)) expected.push_back(name);
    EXPECT_EQ(list_files_named(dir.str(), part_file_prefix), expected);
}

} // namespace
} // namespace wiper
