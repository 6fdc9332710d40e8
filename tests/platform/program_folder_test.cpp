// The program folder, when none is given, is the folder that holds the running
// executable: here, the test program's own folder, on each system's twin.
#include "platform/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace wiper {
namespace {

TEST(PlatformProgramFolder, IsTheFolderThatHoldsTheRunningProgram) {
    const std::string folder = program_folder();
    EXPECT_TRUE(std::filesystem::equivalent(test::utf8_path(folder), test::utf8_path(WIPER_UNIT_TESTS_DIR)))
        << folder << " is not " << WIPER_UNIT_TESTS_DIR;
}

} // namespace
} // namespace wiper
