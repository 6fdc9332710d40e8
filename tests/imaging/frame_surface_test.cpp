#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "common/failure.h"
#include "support/failure_of.h"
#include "imaging/bmp_writer.h"
#include "imaging/file_io.h"
#include "imaging/frame_files.h"
#include "imaging/frame_surface.h"
#include "imaging/rasterizer.h"
#include "imaging/surface_steps.h"
#include "platform/files.h"
#include "support/platform.h"
#include "support/temp_folder.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

// Draws through the surface's own steps, as the run does.
void draw(FrameSurface& s, std::span<const screen_point> points) {
    RasterScratch scratch;
    draw_polygon(s, points, scratch);
}

bool all_white_with_zero_padding(const FrameSurface& s) {
    for (int y = 0; y < s.height(); ++y) {
        const std::uint8_t* r = s.row(y);
        for (std::size_t i = 0; i < s.stride(); ++i)
            if (r[i] != (i < 3 * static_cast<std::size_t>(s.width()) ? 0xFF : 0)) return false;
    }
    return true;
}

TEST(FrameSurfaceSize, RefusesWhatItCannotHold) {
    FrameSurface s;
    for (const auto& size : {std::pair{0, 5}, {5, 0}, {-1, 5}, {32768, 1}, {1, 32768}, {32767, 32767}})
        EXPECT_EQ(test::kind_of([&] { s.set_size(size.first, size.second); }), FailureKind::invalid_size)
            << size.first << "x" << size.second;
    s.set_size(32767, 1);
    s.set_size(5, 3);
    EXPECT_EQ(s.stride(), 16u);
    EXPECT_TRUE(all_white_with_zero_padding(s));
}

TEST(ClearToWhite, UndoesEveryWayOfPaintingTheSurface) {
    FrameSurface s;
    s.set_size(13, 9);
    const std::vector<screen_point> tri{{1, 1}, {11, 3}, {4, 8}};
    // Drawn polygon.
    set_ink_black(s);
    draw(s, tri);
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
    // Raw writes through a row, and through the whole array.
    s.row_for_write(7, 15, 16)[0] = 0;
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
    std::memset(s.bytes_for_overwrite().data(), 0x11, s.byte_count());
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
    // More separate spans than the surface keeps a list of.
    s.set_size(400, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 400; x += 2) s.paint_span(y, x, x + 1, black);
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
    s.set_size(13, 9);
    // A non-white background erased back to white.
    s.set_background(Colour{1, 2, 3});
    EXPECT_EQ(s.pixel(12, 8), (Colour{1, 2, 3}));
    clear_to_white(s);
    EXPECT_TRUE(all_white_with_zero_padding(s));
}

TEST(ClearToWhite, RegressionWhiteFillOverBlackRowsIsNotSkipped) {
    // Skipping white paint on a "known white" surface must not skip rows that
    // were painted black earlier.
    FrameSurface s;
    s.set_size(6, 6);
    s.paint_span(2, 0, 6, black);
    s.paint_span(2, 1, 5, white);
    EXPECT_EQ(s.pixel(0, 2), black);
    EXPECT_EQ(s.pixel(3, 2), white);
}

class FrameFilesTest : public testing::Test {
protected:
    test::TempFolder dir;
    std::string path(const std::string& name) { return (dir / name).string(); }
};

// Rebuilt from the record, or read back when it may hold nothing: either way
// the spans written in place, merged (short rows) or not (long ones), make the
// file of a whole write.
TEST_F(FrameFilesTest, SavingOverTheLoadedFrameEqualsAWholeWrite) {
    for (const auto& [memory, width] : {std::pair{default_rebuild_memory, 31}, {0, 31}, {default_rebuild_memory, 7001}}) {
        SCOPED_TRACE("record memory " + std::to_string(memory) + ", width " + std::to_string(width));
        FrameSurface s;
        s.set_size(width, 17); // odd widths: rows carry padding
        FrameFiles files(memory);
        const std::vector<std::vector<screen_point>> parts{
            {{2, 2}, {28, 4}, {15, 15}}, {{0, 10}, {30, 12}, {30, 14}}, {{-5, 1}, {3, 1}, {40, 16}, {9, 3}}};
        for (std::size_t part = 0; part < parts.size(); ++part) {
            if (part == 0)
                files.start_from_white(s, 1);
            else
                files.load_background(s, path("f.bmp"), 1);
            set_ink_black(s);
            draw(s, parts[part]);
            files.save(s, path("f.bmp"), 1, parts[part]);
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
    replace_file(path("f.bmp"), head, body, {}, [&] { return ++next; });

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
    FrameFiles().save(s, path("f.bmp"), 1, {});
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
    FrameFiles files;
    files.load_background(s, path("f.bmp"), 1);
    files.save(s, path("f.bmp"), 1, {});
    EXPECT_EQ(dir.read_bytes("f.bmp"), test::encode_surface(s));
    EXPECT_EQ(dir.read_bytes("f.bmp")[bmp_header_size + 15], 0);
}

TEST_F(FrameFilesTest, FileChangedBetweenLoadAndSaveIsWrittenWhole) {
    FrameSurface s;
    s.set_size(8, 8);
    FrameFiles files;
    files.start_from_white(s, 1);
    files.save(s, path("f.bmp"), 1, {});
    files.load_background(s, path("f.bmp"), 1);
    dir.write("f.bmp", "someone else's bytes");
    set_ink_black(s);
    const std::vector<screen_point> bar{{1, 1}, {6, 1}, {6, 2}};
    draw(s, bar);
    files.save(s, path("f.bmp"), 1, bar);
    EXPECT_EQ(dir.read_bytes("f.bmp"), test::encode_surface(s));
}

TEST_F(FrameFilesTest, MissingFolderAndFolderInPlace) {
    FrameSurface s;
    s.set_size(4, 4);
    FrameFiles files;
    EXPECT_EQ(test::kind_of([&] { files.save(s, path("nowhere/f.bmp"), 1, {}); }), FailureKind::path_not_found);
    dir.make_folder("g.bmp");
    EXPECT_EQ(test::kind_of([&] { files.load_background(s, path("g.bmp"), 1); }), FailureKind::file_access);
    EXPECT_EQ(test::kind_of([&] { files.load_background(s, path("missing.bmp"), 2); }), FailureKind::file_not_found);
}

} // namespace
} // namespace wiper
