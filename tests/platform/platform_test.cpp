// The platform interfaces the run is built on, checked against each system's
// twin: the same cases pass with the POSIX files here and with the Windows
// files under Wine.
#include "platform/files.h"
#include "platform/program_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/failure_of.h"
#include "support/platform.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes read_all(const std::string& path) {
    files::ReadFile in(path);
    Bytes bytes(static_cast<std::size_t>(in.size()));
    EXPECT_EQ(in.read_at(0, bytes), bytes.size());
    in.close();
    return bytes;
}

TEST(PlatformFiles, WrittenBytesReadBackUnderAUtf8Name) {
    test::TempFolder dir;
    const std::string path = files::join(dir.str(), "sc\xc3\xa8na_1.bmp");
    auto out = files::WriteFile::create_new(path, path);
    ASSERT_TRUE(out);
    out->write_all(Bytes{1, 2, 3, 4, 5, 6});
    out->write_at(2, Bytes{9, 9});
    out->close();

    EXPECT_TRUE(fs::exists(dir / "sc\xc3\xa8na_1.bmp"));
    files::ReadFile in(path);
    EXPECT_EQ(in.size(), 6u);
    Bytes tail(8, 0);
    EXPECT_EQ(in.read_at(3, tail), 3u) << "a read past the end returns the bytes there are";
    EXPECT_EQ(Bytes(tail.begin(), tail.begin() + 3), (Bytes{9, 5, 6}));
    in.close();
    EXPECT_EQ(read_all(path), (Bytes{1, 2, 9, 9, 5, 6}));
}

// What reading `path` gives: its bytes as text, or the failure's kind words
// (its message naming the path).
std::string read_outcome(const std::string& path) {
    try {
        const Bytes bytes = read_all(path);
        return std::string(bytes.begin(), bytes.end());
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find(path), std::string::npos) << f.what();
        return kind_name(f.kind());
    }
}

// Each kind of entry (from AFileAndItsHardLinkHaveOneIdentity,
// ASymbolicLinkIsItselfUnlessFollowed, ReadingWhatIsNotThereNamesWhatIsMissing):
// what it is ('f' a plain file, 'l' a link, described as itself unless
// followed, 'd' a folder, '-' nothing), what reading it gives, and whether it
// opens to be written in place.
TEST(PlatformFiles, EachKindOfEntryIsDescribedReadAndOpenedAsItIs) {
    test::TempFolder dir;
    dir.write("file", "abc");
    dir.make_folder("folder");
    fs::create_hard_link(dir / "file", dir / "hard");
    const bool symlinks = test::try_symlink(dir / "file", dir / "soft");
    const files::Identity file = files::identity_of(files::join(dir.str(), "file"));
    EXPECT_EQ(file.size, 3u);
    EXPECT_EQ(file.links, 2u);
    const struct {
        std::string path;
        char is;
        std::string reads;
        bool opens_to_write;
    } rows[] = {{"file", 'f', "abc", true},
                {"hard", 'f', "abc", true},
                {"soft", 'l', "abc", false},
                {"folder", 'd', "file access failure", false},
                {"missing.txt", '-', "file not found", false},
                {files::join("no-folder", "missing.txt"), '-', "path not found", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        if (row.is == 'l' && !symlinks) continue; // an account without the privilege (Windows)
        const std::string path = files::join(dir.str(), row.path);
        const files::Identity id = files::identity_of(path);
        EXPECT_EQ(id.exists, row.is != '-');
        EXPECT_EQ(id.regular, row.is == 'f');
        EXPECT_EQ(id.folder, row.is == 'd');
        if (row.is == 'f') {
            EXPECT_EQ(id, file) << "two names of one file, with 2 links";
        } else {
            EXPECT_NE(id.index, file.index);
        }
        EXPECT_EQ(files::identity_behind(path).index == file.index, row.reads == "abc") << "followed when asked";
        EXPECT_EQ(read_outcome(path), row.reads);
        EXPECT_EQ(files::WriteFile::open_existing(path).has_value(), row.opens_to_write);
        if (row.is != '-') {
            EXPECT_FALSE(files::WriteFile::create_new(path, path)) << "a new file never takes a name that is taken";
        }
    }
}

TEST(PlatformFiles, ReplacePutsTheNewFileInTheOldOnesPlace) {
    test::TempFolder dir;
    dir.write("frame.bmp", "old");
    const std::string to = files::join(dir.str(), "frame.bmp");
    const std::string from = files::join(dir.str(), "frame.tmp");
    auto out = files::WriteFile::create_new(from, to);
    ASSERT_TRUE(out);
    out->write_all(Bytes{'n', 'e', 'w', '!'});
    const files::Identity written = out->identity();
    files::replace(from, to, to); // still open, as the run does
    out->close();

    EXPECT_EQ(read_all(to), (Bytes{'n', 'e', 'w', '!'}));
    EXPECT_FALSE(fs::exists(dir / "frame.tmp"));
    EXPECT_EQ(files::identity_of(to).index, written.index);

    auto again = files::WriteFile::open_existing(to);
    ASSERT_TRUE(again);
    again->write_at(1, Bytes{'o'});
    again->close();
    EXPECT_EQ(read_all(to), (Bytes{'n', 'o', 'w', '!'})) << "written in place, not truncated";
}

TEST(PlatformFiles, AFolderListsItsEntriesAndJoinsItsNames) {
    test::TempFolder dir;
    dir.write("a.txt", "a");
    dir.make_folder("sub");
    std::vector<files::FolderEntry> entries = files::list_folder(dir.str());
    std::sort(entries.begin(), entries.end(), [](const auto& x, const auto& y) { return x.name < y.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_TRUE(entries[0].regular);
    EXPECT_EQ(entries[1].name, "sub");
    EXPECT_FALSE(entries[1].regular);

    const std::string a = files::join(dir.str(), "a.txt");
    EXPECT_EQ(files::sibling(a, "b.txt"), files::join(dir.str(), "b.txt"));
    EXPECT_TRUE(fs::equivalent(test::utf8_path(a), dir / "a.txt"));
    EXPECT_EQ(test::kind_of([&] { files::list_folder(files::join(dir.str(), "missing")); }),
              FailureKind::path_not_found);
}

// The program folder, when none is given, is the folder that holds the running
// executable: here, the test program's own folder.
TEST(PlatformProgramFolder, IsTheFolderThatHoldsTheRunningProgram) {
    const std::string folder = program_folder();
    EXPECT_TRUE(fs::equivalent(test::utf8_path(folder), test::utf8_path(WIPER_UNIT_TESTS_DIR)))
        << folder << " is not " << WIPER_UNIT_TESTS_DIR;
}

} // namespace
} // namespace wiper
