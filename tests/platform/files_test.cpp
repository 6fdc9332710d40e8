// The file interface the run is built on, checked against each system's twin:
// the same cases pass with the POSIX files here and with the Windows files
// under Wine.
#include "platform/files.h"

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

    EXPECT_FALSE(files::WriteFile::create_new(path, path)) << "a new file never takes an existing name";
    EXPECT_FALSE(files::WriteFile::create_new(dir.str(), dir.str())) << "nor a folder's";
}

TEST(PlatformFiles, ReadingWhatIsNotThereNamesWhatIsMissing) {
    test::TempFolder dir;
    dir.make_folder("folder");
    const struct {
        std::string path;
        FailureKind kind;
    } cases[] = {
        {files::join(dir.str(), "missing.txt"), FailureKind::file_not_found},
        {files::join(files::join(dir.str(), "no-folder"), "missing.txt"), FailureKind::path_not_found},
        {files::join(dir.str(), "folder"), FailureKind::file_access},
    };
    for (const auto& c : cases) {
        const Failure f = test::failure_of([&] { files::ReadFile in(c.path); });
        EXPECT_EQ(f.kind(), c.kind) << c.path;
        EXPECT_NE(std::string(f.what()).find(c.path), std::string::npos) << f.what();
    }
}

TEST(PlatformFiles, AFileAndItsHardLinkHaveOneIdentity) {
    test::TempFolder dir;
    dir.write("file", "abc");
    fs::create_hard_link(dir / "file", dir / "hard");
    const files::Identity file = files::identity_of(files::join(dir.str(), "file"));
    const files::Identity hard = files::identity_of(files::join(dir.str(), "hard"));
    EXPECT_TRUE(file.exists && file.regular && !file.folder);
    EXPECT_EQ(file.size, 3u);
    EXPECT_EQ(file.links, 2u);
    EXPECT_EQ(file, hard) << "two names of one file";
    EXPECT_FALSE(files::identity_of(files::join(dir.str(), "missing")).exists);
    EXPECT_TRUE(files::identity_of(dir.str()).folder);
}

TEST(PlatformFiles, ASymbolicLinkIsItselfUnlessFollowed) {
    test::TempFolder dir;
    dir.write("file", "abc");
    const files::Identity file = files::identity_of(files::join(dir.str(), "file"));
    test::make_symlink(dir / "file", dir / "soft");
    if (testing::Test::IsSkipped()) return;
    const std::string soft = files::join(dir.str(), "soft");
    EXPECT_FALSE(files::identity_of(soft).regular) << "a link is described as itself";
    EXPECT_NE(files::identity_of(soft).index, file.index);
    EXPECT_EQ(files::identity_behind(soft).index, file.index) << "and followed when asked";
    EXPECT_FALSE(files::WriteFile::open_existing(soft)) << "a link is never written through";
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
    EXPECT_FALSE(files::WriteFile::open_existing(files::join(dir.str(), "missing")));
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

} // namespace
} // namespace wiper
