// The real program on program folders built to break it: broken and unusual
// frame files left in buffer/, settings and part files that are not what they
// should be, and things in the folder that are not plain files. Each row is
// one folder and its expected outcome. Whatever the row, the program must end
// by itself in bounded time without a signal, report a failure on exactly one
// stderr line, and leave everything outside buffer/ as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "imaging/bmp_reader.h"
#include "imaging/bmp_writer.h"
#include "imaging/file_io.h"
#include "imaging/frame_surface.h"
#include "support/platform.h"
#include "support/run_binary.h"
#include "support/temp_folder.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using test::BmpPicture;
using test::RunResult;
using test::TempFolder;
using test::with;

constexpr int surface_w = 40;
constexpr int surface_h = 30;

// The first part has no frames, so the second one is a later part: it loads
// buffer/w_1.bmp and buffer/w_2.bmp as the test left them and draws a square
// over them (sweep 0, so both frames hold the same square). The square and its
// outline stay inside x 12..28, y 8..22.
const std::string no_frames = "0,90,0,0\n";
const std::string square = "2,0,20,15\n12,8\n28,8\n28,22\n12,22\n";
constexpr int square_left = 12, square_right = 28, square_top = 8, square_bottom = 22;

bool in_square(int x, int y) { return x >= square_left && x <= square_right && y >= square_top && y <= square_bottom; }

void settings(const TempFolder& dir) { test::write_scene(dir.path(), surface_w, surface_h); }

// A folder whose second part draws over `leftover` in both frames.
void leftover_scene(const TempFolder& dir, const std::vector<std::uint8_t>& leftover) {
    settings(dir);
    dir.write("coordinate_1.txt", no_frames);
    dir.write("coordinate_2.txt", square);
    dir.write_bytes("buffer/w_1.bmp", leftover);
    dir.write_bytes("buffer/w_2.bmp", leftover);
}

// A folder with one ordinary part, for rows that break something else.
void plain_scene(const TempFolder& dir) {
    settings(dir);
    dir.write("coordinate.txt", square);
}

std::vector<Colour> pattern(int w, int h, const std::vector<Colour>& colours) {
    std::vector<Colour> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.push_back(colours[static_cast<std::size_t>(x / 3 + y / 2 + x * y) % colours.size()]);
    return out;
}

BmpPicture picture(int w, int h, std::uint16_t bits, const std::vector<Colour>& colours) {
    BmpPicture p;
    p.width = w;
    p.height = h;
    p.bits = bits;
    p.pixels = pattern(w, h, colours);
    return p;
}

const std::vector<Colour> two_colours{{200, 10, 30}, {5, 250, 100}};
const std::vector<Colour> many_colours{{200, 10, 30}, {5, 250, 100}, {0, 0, 0},     {255, 255, 255},
                                       {17, 34, 51},  {90, 91, 92},   {255, 0, 255}, {1, 2, 3},
                                       {128, 64, 32}, {7, 77, 177}};

std::vector<std::uint8_t> bmp_of(const BmpPicture& p) { return test::make_bmp(p); }

struct Row {
    const char* name;
    std::function<void(const TempFolder&)> setup;
    int status;
    const char* kind = "";   // for failures
    const char* names = "";  // text the failure message must hold
    // For runs that finish: the leftover drawn over, which must show exactly
    // wherever the square is not (white beyond its edges, and everywhere
    // when there is none).
    std::optional<BmpPicture> leftover = std::nullopt;
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.name; }

// A picture the size of the frames.
BmpPicture full(std::uint16_t bits, const std::vector<Colour>& colours) {
    return picture(surface_w, surface_h, bits, colours);
}

Row broken_leftover(const char* name, BmpPicture p, const char* names = "w_1.bmp") {
    return Row{name, [p](const TempFolder& d) { leftover_scene(d, bmp_of(p)); }, 17, "invalid picture", names};
}

Row valid_leftover(const char* name, BmpPicture p) {
    return Row{name, [p](const TempFolder& d) { leftover_scene(d, bmp_of(p)); }, 0, "", "", p};
}

Colour expected_leftover_pixel(const BmpPicture& p, int x, int y) {
    if (x >= p.width || y >= p.height) return white;
    return p.pixels[static_cast<std::size_t>(y) * p.width + x];
}

class HostileInput : public testing::TestWithParam<Row> {};

TEST_P(HostileInput, EndsWithItsOutcomeAndTouchesOnlyBuffer) {
    const Row& row = GetParam();
    TempFolder dir;
    row.setup(dir);
    if (IsSkipped()) return; // a folder this platform cannot make
    const auto outside_before = test::contents_of(dir.path(), "buffer");
    const auto buffer_before = test::contents_of(dir / "buffer");

    // A run that dies of a signal is reported with status -1.
    const RunResult r = test::run_program(WIPER_BINARY, {"--headless", dir.str()}, std::chrono::seconds(20));
    ASSERT_FALSE(r.timed_out) << "the run did not end within 20 s";
    ASSERT_NE(r.status, -1) << "the run died of a signal: " << r.err;
    EXPECT_EQ(r.status, row.status) << r.err;

    // Warnings (a first part with no frames, leftovers drawn over) may come before the outcome.
    const std::string report = test::without_warnings(r.err);
    if (row.status == 0) {
        EXPECT_EQ(report, "");
    } else {
        EXPECT_EQ(report.rfind(std::string("wiper-render: ") + row.kind + ": ", 0), 0u) << r.err;
        EXPECT_NE(report.find(row.names), std::string::npos) << r.err;
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << r.err;
        EXPECT_LT(report.size(), 1000u) << "a hostile file must not flood the report";
        // Every failure here comes before the first save: buffer/ is as it was.
        EXPECT_EQ(test::contents_of(dir / "buffer"), buffer_before);
    }
    EXPECT_EQ(test::contents_of(dir.path(), "buffer"), outside_before);

    if (row.status == 0) {
        // Without a leftover the square is drawn on white.
        BmpPicture blank;
        blank.width = 0;
        blank.height = 0;
        const BmpPicture& p = row.leftover ? *row.leftover : blank;
        std::set<std::string> frames;
        for (const auto& e : fs::directory_iterator(dir / "buffer")) frames.insert(e.path().filename().string());
        EXPECT_EQ(frames, (std::set<std::string>{"w_1.bmp", "w_2.bmp"}));
        for (const char* frame : {"buffer/w_1.bmp", "buffer/w_2.bmp"}) {
            SCOPED_TRACE(frame);
            // Rewritten in our own format, which decodes to exactly its pixels.
            const std::string bytes = test::slurp(dir / frame);
            ASSERT_EQ(bytes.size(), bmp_header_size + bmp_stride(surface_w) * surface_h);
            FrameSurface s;
            s.set_size(surface_w, surface_h);
            InputFile in((dir / frame).string());
            decode_bmp_onto(in, s);
            for (int y = 0; y < surface_h; ++y) {
                for (int x = 0; x < surface_w; ++x) {
                    if (!in_square(x, y)) {
                        ASSERT_EQ(s.pixel(x, y), expected_leftover_pixel(p, x, y)) << "at " << x << "," << y;
                    }
                }
            }
            for (auto [x, y] : {std::pair{20, 15}, {13, 9}, {27, 21}, {12, 8}, {28, 22}})
                EXPECT_EQ(s.pixel(x, y), black) << "at " << x << "," << y;
        }
    }
}

std::vector<Row> leftover_rows() {
    std::vector<Row> rows;

    // Broken pictures, read from a file by the run: refused as invalid pictures,
    // naming the frame file. Each refusal's own rule is the BmpRefusals table's.
    // Cut 16 bytes into the 40-byte bitmap header.
    rows.push_back(broken_leftover("TruncatedInTheHeader", with(full(24, many_colours), [](BmpPicture& p) {
                                       p.cut_bytes = bmp_of(p).size() - 30;
                                   })));
    rows.push_back(broken_leftover("TruncatedInThePixels",
                                   with(full(24, many_colours), [](BmpPicture& p) { p.cut_bytes = 7; })));
    rows.push_back(broken_leftover("PixelOffsetPastTheEnd", with(full(24, many_colours), [](BmpPicture& p) {
                                       p.pixel_offset_field = 1'000'000;
                                   })));
    // 70000 x 70000 at 3 bytes is 14.7 GB: past 32 bits, and no such file.
    rows.push_back(broken_leftover("SizeOverflowing32Bits", with(picture(2, 2, 24, many_colours), [](BmpPicture& p) {
        p.width_field = 70'000;
        p.height_field = 70'000;
    })));
    // 2^31 - 1 squared at 32 bits is more bits than 64 bits count.
    rows.push_back(broken_leftover("SizeOverflowing64Bits", with(picture(2, 2, 32, many_colours), [](BmpPicture& p) {
        p.width_field = 2'147'483'647;
        p.height_field = -2'147'483'647;
    })));
    {
        BmpPicture p;
        p.width = surface_w;
        p.height = surface_h;
        p.bits = 8;
        p.palette = two_colours;
        p.raw.assign(static_cast<std::size_t>(surface_w) * surface_h, 1);
        p.raw[5 * surface_w + 7] = 200;
        rows.push_back(broken_leftover("PaletteIndexOutOfRange", p));
    }
    {
        // The bad index lies where the surface does not show the picture, so it is never read.
        BmpPicture p;
        p.width = 60;
        p.height = 50;
        p.bits = 4;
        p.palette = two_colours;
        p.raw.assign(60 * 50, 0);
        p.raw[49 * 60 + 59] = 9;
        p.pixels.assign(60 * 50, two_colours[0]);
        rows.push_back(valid_leftover("PaletteIndexOutOfRangeOffTheSurface", p));
    }
    rows.push_back(Row{"ZeroByteFrameFile", [](const TempFolder& d) { leftover_scene(d, {}); }, 17,
                       "invalid picture", "w_1.bmp"});
    rows.push_back(Row{"FolderWhereAFrameFileShouldBe",
                       [](const TempFolder& d) {
                           leftover_scene(d, {});
                           fs::remove(d / "buffer/w_1.bmp");
                           d.make_folder("buffer/w_1.bmp");
                       },
                       12, "file access failure", "w_1.bmp"});

    // Valid pictures, of each depth, smaller and larger than the frame, drawn over.
    // Each format's pixels are the BmpVariants table's.
    rows.push_back(valid_leftover("OneBit", full(1, two_colours)));
    rows.push_back(valid_leftover("FourBits", full(4, many_colours)));
    // Padding and spare low bits are not pixels.
    rows.push_back(valid_leftover("FourBitsSmallerThanTheSurfaceWithDirtyPadding",
                                  with(picture(25, 12, 4, many_colours), [](BmpPicture& p) { p.padding_byte = 255; })));
    rows.push_back(valid_leftover("EightBits", full(8, many_colours)));
    rows.push_back(valid_leftover("TwentyFourBitsLargerThanTheSurface", picture(57, 44, 24, many_colours)));
    rows.push_back(valid_leftover("TwentyFourBitsTopDown",
                                  with(picture(31, 19, 24, many_colours), [](BmpPicture& p) { p.top_down = true; })));
    rows.push_back(valid_leftover("ThirtyTwoBits", full(32, many_colours)));
    rows.push_back(valid_leftover("V4HeaderBitFields", with(full(32, many_colours), [](BmpPicture& p) {
        p.header_size = 108;
        p.compression = test::bmp_bitfields;
        p.masks = {0xff000000, 0x00ff0000, 0x0000ff00, 0x000000ff};
    })));
    return rows;
}

void make_fifo(const TempFolder& dir, const std::string& name) { test::make_fifo(dir / name); }

// A row whose plain scene has `file` written with `content`.
Row written(const char* name, const char* file, std::string content, int status, const char* kind, const char* names) {
    return Row{name, [=](const TempFolder& d) { plain_scene(d), d.write(file, content); }, status, kind, names};
}

std::vector<Row> text_rows() {
    const std::string huge_number(200'000, '7');
    return {
        written("ZeroByteImageSettings", "immagini.txt", "", 13, "read past end of file", "immagini.txt"),
        written("BlankImageSettings", "immagini.txt", "\xEF\xBB\xBF \t\r\n\n  \r\n",
                13, "read past end of file", "immagini.txt"),
        written("ZeroByteBladeTurns", "rotazione_spazzole.txt", "",
                13, "read past end of file", "rotazione_spazzole.txt"),
        written("ZeroBytePartFile", "coordinate.txt", "", 13, "read past end of file", "coordinate.txt"),
        written("NulInTheImageName", "immagini.txt", std::string("w") + '\0' + "x,40,30\n",
                20, "invalid image name", "immagini.txt"),
        written("NulInAPartNumber", "coordinate.txt", std::string("2,0,20,15\n12,8\n2") + '\0' + "8,8\n28,22\n",
                19, "invalid number", "coordinate.txt line 3"),
        written("NulAloneInAField", "rotazione_spazzole.txt", std::string("30,") + '\0' + "\n",
                19, "invalid number", "rotazione_spazzole.txt line 1"),
        written("TwoHundredThousandDigits", "coordinate.txt", "2,0,20,15\n12," + huge_number + "\n28,8\n",
                19, "invalid number", "(200000 characters)"),
        written("OnePastTheLargestNumber", "coordinate.txt", "2,0,20,15\n12,8\n2147483648,8\n",
                19, "invalid number", "\"2147483648\""),
        written("OnePastTheSmallestNumber", "rotazione_spazzole.txt", "-2147483649,0\n",
                19, "invalid number", "\"-2147483649\""),
        written("FractionInTheSize", "immagini.txt", "w,40.0,30\n", 19, "invalid number", "\"40.0\""),
        written("UnterminatedQuote", "immagini.txt", "\"w,40,30\n", 13, "read past end of file", "immagini.txt line 1"),
        written("NegativeHeight", "immagini.txt", "w,40,-30\n",
                18, "invalid size", "immagini.txt: the picture size 40 x -30"),
        written("BothSidesZero", "immagini.txt", "w,0,0\n", 18, "invalid size", "0 x 0"),
        written("SmallestNumbersAsSizes", "immagini.txt", "w,-2147483648,-2147483648\n",
                18, "invalid size", "-2147483648 x -2147483648"),
        written("SideOnePastTheLargest", "immagini.txt", "w,32768,1\n", 18, "invalid size", "32768"),
    };
}

// A row whose plain scene has a FIFO named `file`.
Row fifo_in_scene(const char* name, const char* file, int status, const char* kind = "", const char* names = "") {
    return Row{name, [=](const TempFolder& d) { plain_scene(d), make_fifo(d, file); }, status, kind, names};
}

std::vector<Row> folder_rows() {
    std::vector<Row> rows;
    rows.push_back(fifo_in_scene("FifoAsImageSettings", "immagini.txt", 12, "file access failure", "immagini.txt"));
    rows.push_back(fifo_in_scene("FifoAsBladeTurns", "rotazione_spazzole.txt", 12, "file access failure",
                                 "rotazione_spazzole.txt"));
    // Parts that are not plain files are not parts: the run goes on without them.
    rows.push_back(fifo_in_scene("FifoAsAPartIsSkipped", "coordinate_x.txt", 0));
    rows.push_back(Row{"LoneFifoPartLeavesNoPart",
                       [](const TempFolder& d) { settings(d); make_fifo(d, "coordinate_x.txt"); },
                       12, "file access failure", "no part file"});
    rows.push_back(Row{"SymlinkedPartIsRead",
                       [](const TempFolder& d) {
                           settings(d);
                           d.make_folder("shapes");
                           d.write("shapes/square.txt", square);
                           test::make_symlink("shapes/square.txt", d / "coordinate.txt");
                       },
                       0});
    // Frames that are links to a file outside buffer/: the frame is replaced,
    // the file it pointed at is left alone (checked with everything outside).
    {
        const BmpPicture p = picture(surface_w, surface_h, 8, many_colours);
        rows.push_back(Row{"SymlinkedLeftoverIsReplacedNotWrittenThrough",
                           [p](const TempFolder& d) {
                               leftover_scene(d, {});
                               d.write_bytes("outside.bmp", bmp_of(p));
                               for (const char* frame : {"buffer/w_1.bmp", "buffer/w_2.bmp"}) {
                                   fs::remove(d / frame);
                                   test::make_symlink("../outside.bmp", d / frame);
                               }
                           },
                           0, "", "", p});
    }
    {
        // In our own format and size, which a later part would otherwise
        // update in place.
        const BmpPicture p = picture(surface_w, surface_h, 24, many_colours);
        rows.push_back(Row{"HardLinkedLeftoverIsReplacedNotWrittenThrough",
                           [p](const TempFolder& d) {
                               FrameSurface s;
                               s.set_size(surface_w, surface_h);
                               const std::vector<std::uint8_t> bytes = bmp_of(p);
                               MemorySource source(bytes, "leftover");
                               decode_bmp_onto(source, s);
                               leftover_scene(d, test::encode_surface(s));
                               d.write_bytes("outside.bmp", test::encode_surface(s));
                               for (const char* frame : {"buffer/w_1.bmp", "buffer/w_2.bmp"}) {
                                   fs::remove(d / frame);
                                   fs::create_hard_link(d / "outside.bmp", d / frame);
                               }
                           },
                           0, "", "", p});
    }
    return rows;
}

std::string row_name(const testing::TestParamInfo<Row>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Leftovers, HostileInput, testing::ValuesIn(leftover_rows()), row_name);
INSTANTIATE_TEST_SUITE_P(TextFiles, HostileInput, testing::ValuesIn(text_rows()), row_name);
INSTANTIATE_TEST_SUITE_P(FolderEntries, HostileInput, testing::ValuesIn(folder_rows()), row_name);

} // namespace
} // namespace wiper
