#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "common/failure.h"
#include "imaging/bmp_frame_store.h"
#include "imaging/bmp_writer.h"
#include "imaging/file_io.h"
#include "imaging/frame_files.h"
#include "imaging/frame_surface.h"
#include "platform/files.h"
#include "support/failure_of.h"
#include "support/platform.h"
#include "support/temp_folder.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

class FrameFilesTest : public testing::Test {
protected:
    test::TempFolder dir;
    BmpFrameStore store;
    RasterScratch scratch;
    std::string path(const std::string& name) { return (dir / name).string(); }
};

// Rebuilt from the record, or read back when it may hold nothing: either way
// the spans written in place, merged (short rows) or not (long ones), make the
// file of a whole write. The first part draws twice, once in another ink, and
// a rebuild must draw both as they were.
TEST_F(FrameFilesTest, SavingOverTheLoadedFrameEqualsAWholeWrite) {
    for (const auto& [memory, width] : {std::pair{default_rebuild_memory, 31}, {0, 31}, {default_rebuild_memory, 7001}}) {
        SCOPED_TRACE("record memory " + std::to_string(memory) + ", width " + std::to_string(width));
        FrameSurface s;
        s.set_size(width, 17); // odd widths: rows carry padding
        FrameFiles files(store, memory);
        const std::vector<std::vector<screen_point>> parts{
            {{2, 2}, {28, 4}, {15, 15}}, {{0, 10}, {30, 12}, {30, 14}}, {{-5, 1}, {3, 1}, {40, 16}, {9, 3}}};
        for (std::size_t part = 0; part < parts.size(); ++part) {
            FrameInProgress frame =
                part == 0 ? files.begin_from_white(s, path("f.bmp"), 1) : files.begin_from_file(s, path("f.bmp"), 1);
            frame.draw({part_ink, parts[part]}, scratch);
            if (part == 0) frame.draw({InkColours{{200, 0, 0}, {0, 0, 200}}, parts[2]}, scratch);
            files.save(std::move(frame));
            EXPECT_EQ(dir.read_bytes("f.bmp"), test::encode_surface(s)) << "after part " << part + 1;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "a temporary file was left";
    }
}

// Names a whole save would write to, already taken by links to a file outside
// the folder: each is skipped, never written through, and left as it was.
TEST_F(FrameFilesTest, TakenTemporaryNamesAreSkippedNotWrittenThrough) {
    namespace fs = std::filesystem;
    test::TempFolder outside;
    outside.write("target", "not a frame");
    const std::vector<std::uint8_t> target_before = outside.read_bytes("target");
    // Where no symbolic link can be made (Windows), plain files take those names.
    const bool symlinks = test::try_symlink(outside / "target", dir / temporary_name(1));
    if (!symlinks) dir.write(temporary_name(1), "taken");
    fs::create_hard_link(outside / "target", dir / temporary_name(2));
    if (!test::try_symlink(outside / "missing", dir / temporary_name(3))) // dangling: would create the target
        dir.write(temporary_name(3), "taken");
    std::uint64_t next = 0;
    const std::vector<std::uint8_t> head{1, 2}, body{3, 4, 5};
    replace_file(path("f.bmp"), head, body, frame_file, {}, [&] { return ++next; });

    EXPECT_EQ(next, 4u);
    EXPECT_EQ(dir.read_bytes("f.bmp"), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(outside.read_bytes("target"), target_before);
    EXPECT_FALSE(fs::exists(outside / "missing"));
    EXPECT_EQ(files::identity_of(test::utf8_string(outside / "target")).links, 2u);
    EXPECT_EQ(fs::is_symlink(dir / temporary_name(1)), symlinks);
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"f.bmp", temporary_name(1), temporary_name(2), temporary_name(3)}));
}

// A picture made row by row as it is written is the file of a whole save,
// padding and all, whether it takes one piece or several; a stop between
// pieces leaves the old file and no temporary one.
TEST_F(FrameFilesTest, PictureMadeRowByRowIsAWholeSaveAndAStopLeavesTheOldFile) {
    for (const auto& [width, height] : {std::pair{5, 3}, {7001, 30}}) {
        SCOPED_TRACE("width " + std::to_string(width));
        FrameSurface s;
        s.set_size(width, height);
        s.set_pen(Colour{200, 10, 0});
        s.set_fill(Colour{0, 90, 250});
        rasterize_polygon(std::vector<screen_point>{{1, 0}, {width - 1, height / 2}, {0, height - 1}}, s.clip_area(),
                          scratch, s);
        const BmpRowMaker rows = [&](std::int32_t y, std::span<std::uint8_t> pixels) {
            std::copy_n(s.row(y), pixels.size(), pixels.begin());
        };
        dir.write("f.bmp", "old");
        int pieces = 0;
        EXPECT_EQ(test::kind_of([&] {
                      save_bmp_rows(width, height, rows, path("f.bmp"), frame_file, [&] {
                          if (++pieces == 2) throw Failure(FailureKind::stopped, "stopped");
                      });
                  }),
                  FailureKind::stopped);
        pieces = 0;
        EXPECT_EQ(dir.read_bytes("f.bmp"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
        save_bmp_rows(width, height, rows, path("f.bmp"), frame_file, [&] { ++pieces; });
        EXPECT_EQ(dir.read_bytes("f.bmp"), test::encode_surface(s));
        EXPECT_EQ(pieces, height == 3 ? 2 : 4); // before each piece (12 rows of 7001), and before the rename
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "a temporary file was left";
    }
}

TEST_F(FrameFilesTest, HeaderOfASavedFrameIsTheWindowsBitmapHeaderByteForByte) {
    // Written out by hand, not by the writer: a wrong size field must not pass.
    const std::vector<std::uint8_t> header = {
        'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, // file size 54 + 3 rows of 16 bytes; pixels at 54
        40, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0,             // info header size; 5 wide; 3 high, bottom-up
        1, 0, 24, 0, 0, 0, 0, 0, 48, 0, 0, 0,            // 1 plane; 24 bits; uncompressed; 48 pixel bytes
        0x13, 0x0b, 0, 0, 0x13, 0x0b, 0, 0,              // 2835 pixels per metre (72 dpi) both ways
        0, 0, 0, 0, 0, 0, 0, 0};                         // no palette
    FrameSurface s;
    s.set_size(5, 3);
    FrameFiles files(store);
    files.save(files.begin_from_white(s, path("f.bmp"), 1));
    const std::vector<std::uint8_t> file = dir.read_bytes("f.bmp");
    ASSERT_EQ(file.size(), 102u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 54), header);
    EXPECT_EQ(bmp_stride(4), 12u); // a row of exactly 12 bytes takes no padding
}

TEST_F(FrameFilesTest, ForeignPaddingIsNotCarriedIntoTheSave) {
    FrameSurface s;
    s.set_size(5, 4);
    std::vector<std::uint8_t> file = test::encode_surface(s);
    file[bmp_header_size + 15] = 0xAB; // padding byte of the bottom row
    dir.write_bytes("f.bmp", file);
    FrameFiles files(store);
    files.save(files.begin_from_file(s, path("f.bmp"), 1));
    EXPECT_EQ(dir.read_bytes("f.bmp"), test::encode_surface(s));
    EXPECT_EQ(dir.read_bytes("f.bmp")[bmp_header_size + 15], 0);
}

TEST_F(FrameFilesTest, FileChangedBetweenLoadAndSaveIsWrittenWhole) {
    FrameSurface s;
    s.set_size(8, 8);
    FrameFiles files(store);
    files.save(files.begin_from_white(s, path("f.bmp"), 1));
    FrameInProgress frame = files.begin_from_file(s, path("f.bmp"), 1);
    dir.write("f.bmp", "someone else's bytes");
    frame.draw({part_ink, std::vector<screen_point>{{1, 1}, {6, 1}, {6, 2}}}, scratch);
    files.save(std::move(frame));
    EXPECT_EQ(dir.read_bytes("f.bmp"), test::encode_surface(s));
}

TEST_F(FrameFilesTest, MissingFolderAndFolderInPlace) {
    FrameSurface s;
    s.set_size(4, 4);
    FrameFiles files(store);
    EXPECT_EQ(test::kind_of([&] { files.save(files.begin_from_white(s, path("nowhere/f.bmp"), 1)); }),
              FailureKind::path_not_found);
    dir.make_folder("g.bmp");
    EXPECT_EQ(test::kind_of([&] { files.begin_from_file(s, path("g.bmp"), 1); }), FailureKind::file_access);
    EXPECT_EQ(test::kind_of([&] { files.begin_from_file(s, path("missing.bmp"), 2); }), FailureKind::file_not_found);
}

} // namespace
} // namespace wiper
