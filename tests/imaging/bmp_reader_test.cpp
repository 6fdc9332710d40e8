#include "imaging/bmp_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "common/failure.h"
#include "imaging/bmp_writer.h"
#include "support/test_bmp.h"

namespace wiper {
namespace {

using P = test::BmpPicture;
using Bytes = std::vector<std::uint8_t>;
using test::make_bmp;
using test::pixels_of;
using test::with;

const std::string source_name = "frames/shot 007.bmp";
constexpr auto int_max = std::numeric_limits<std::int32_t>::max();
constexpr auto no_cut = std::numeric_limits<std::size_t>::max();

constexpr Colour red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, cyan{0, 255, 255}, magenta{255, 0, 255},
    yellow{255, 255, 0}, navy{0, 0, 128}, orange{255, 165, 0}, unusual_background{200, 220, 240};
const std::vector<Colour> rgb6{red, green, blue, cyan, magenta, yellow}; // two rows of three

FrameSurface make_surface(std::int32_t w, std::int32_t h, Colour background = unusual_background) {
    FrameSurface s;
    s.set_size(w, h);
    s.set_background(background);
    return s;
}

bool same_bytes(const FrameSurface& a, const FrameSurface& b) {
    return std::ranges::equal(a.bytes(), b.bytes());
}

P raw(std::int32_t w, std::int32_t h, std::uint16_t bits, std::vector<std::uint32_t> values) {
    P p;
    p.width = w, p.height = h, p.bits = bits, p.raw = std::move(values);
    return p;
}

P pic(std::int32_t w, std::int32_t h, std::uint16_t bits, std::vector<Colour> pixels) {
    P p = raw(w, h, bits, {});
    p.pixels = std::move(pixels);
    return p;
}

// A picture whose every index is 0 (red) but one, `bad`, at `bad_at`.
P paletted(std::int32_t w, std::int32_t h, std::uint16_t bits, std::size_t bad_at, std::uint32_t bad) {
    P p = raw(w, h, bits, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h, 0));
    p.palette = {red, green};
    p.raw[bad_at] = bad;
    return p;
}

P bitfields(P p, std::array<std::uint32_t, 4> masks, std::uint32_t compression = test::bmp_bitfields) {
    p.compression = compression;
    p.masks = masks;
    return p;
}

// A source that counts what the reader asks of it, and whose medium fails
// partway through any read that reaches `fail_from`, after part of the bytes arrived.
class WatchedSource final : public ByteSource {
public:
    explicit WatchedSource(const Bytes& bytes, std::uint64_t fail_from = no_cut)
        : inner_(bytes, source_name), fail_from_(fail_from) {}
    std::uint64_t size() const override { return inner_.size(); }
    void take(std::uint64_t offset, std::span<std::uint8_t> into) override {
        ++reads;
        bytes_read += into.size();
        if (offset + into.size() <= fail_from_) return inner_.read_at(offset, into);
        inner_.read_at(offset, into.first(fail_from_ - offset));
        throw Failure(FailureKind::file_access, inner_.name() + ": the medium failed");
    }
    const std::string& name() const override { return inner_.name(); }

    int reads = 0;
    std::uint64_t bytes_read = 0;

private:
    MemorySource inner_;
    std::uint64_t fail_from_;
};

void decode(const Bytes& bytes, FrameSurface& surface) {
    WatchedSource source(bytes);
    decode_bmp_onto(source, surface);
}

// ---------------------------------------------------------------------------
// MemorySource

TEST(MemorySource, ReadsExactlyTheRangeAsked) {
    const Bytes bytes{1, 2, 3, 4, 5};
    MemorySource source(bytes, source_name);
    Bytes into(3, 0);
    source.read_at(2, into);
    EXPECT_EQ(into, (Bytes{3, 4, 5}));
    source.read_at(5, std::span<std::uint8_t>{}); // nothing, right at the end
    EXPECT_EQ(source.size(), 5u);
    EXPECT_EQ(source.name(), source_name);
    // MemorySourceOutOfRange.IsAnInvalidPictureNamingTheSource: the last two
    // wrap offset + length around to a small number.
    constexpr auto max = std::numeric_limits<std::uint64_t>::max();
    for (const auto& [offset, length] : {std::pair<std::uint64_t, std::size_t>{0, 6}, {4, 2}, {5, 1}, {6, 0},
                                         {max, 2}, {max - 1, 3}}) {
        SCOPED_TRACE(std::to_string(offset) + " + " + std::to_string(length));
        into.assign(length, 0xcc);
        try {
            source.read_at(offset, into);
            ADD_FAILURE() << "read past the end accepted";
        } catch (const Failure& f) {
            EXPECT_EQ(f.kind(), FailureKind::invalid_picture);
            EXPECT_NE(std::string(f.what()).find(source_name), std::string::npos) << f.what();
        }
    }
}

// ---------------------------------------------------------------------------
// Our writer's files read back byte for byte. Odd widths give every amount of
// row padding (0 to 3 bytes).

TEST(BmpRoundTrip, WriterOutputReadsBackIdentically) {
    for (const std::int32_t w : {1, 2, 3, 4, 5, 753}) {
        SCOPED_TRACE("width " + std::to_string(w));
        const std::int32_t h = 3;
        FrameSurface original = make_surface(w, h, white);
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x)
                original.paint_span(y, x, x + 1,
                                    Colour{static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(x * 13 + 50 * y),
                                           static_cast<std::uint8_t>(255 - x - y)});
        const Bytes file = test::encode_surface(original);
        ASSERT_EQ(file.size(), bmp_header_size + bmp_stride(w) * h);

        FrameSurface copy = make_surface(w, h, navy);
        copy.paint_span(1, 0, w, orange); // old content must not survive
        copy.forget_changes();
        decode(file, copy);
        EXPECT_TRUE(same_bytes(copy, original));
        EXPECT_EQ(copy.changed_rows().top, 0);
        EXPECT_EQ(copy.changed_rows().bottom, h - 1);
    }
}

// What the reader asks of its source: a frame file of the surface's own size
// in one go, not row by row; a header claiming 2^31 x 2^31 pixels refused from
// the header alone; and of a paletted picture only what the surface shows,
// checked against the palette: a bad index beyond it is never looked at,
// however far the picture runs on.
TEST(BmpReadPattern, ReadsOnlyWhatItNeeds) {
    const FrameSurface own = make_surface(753, 120, orange), all_red = make_surface(3, 2, red);
    const struct {
        std::string name;
        Bytes file;
        int most_reads;
        std::uint64_t most_bytes_read;
        const FrameSurface* expected; // null: refused
    } rows[] = {
        {"OwnFrameFileTakesFewReads", test::encode_surface(own), 4, no_cut, &own},
        {"HostileHeaderIsRefusedWithoutTouchingPixels",
         make_bmp(with(pic(1, 1, 32, {red}), [](P& p) { p.width_field = p.height_field = int_max; })), 99, 256, nullptr},
        {"PaletteCheck right of the surface", make_bmp(paletted(7, 2, 8, 6, 200)), 99, 256, &all_red},
        {"PaletteCheck below it", make_bmp(paletted(3, 5, 4, 14, 15)), 99, 256, &all_red},
        {"PaletteCheck below it, top down", make_bmp(with(paletted(3, 5, 4, 12, 3), [](P& p) { p.top_down = true; })),
         99, 256, &all_red},
        {"PaletteCheck rows far longer than it", make_bmp(paletted(1'200'000, 2, 8, 2 * 1'200'000 - 1, 2)), 99, 1024,
         &all_red},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WatchedSource source(row.file);
        FrameSurface s = row.expected ? make_surface(row.expected->width(), row.expected->height(), white)
                                      : make_surface(4, 4);
        if (row.expected) {
            decode_bmp_onto(source, s);
            EXPECT_TRUE(same_bytes(s, *row.expected));
        } else {
            EXPECT_THROW(decode_bmp_onto(source, s), Failure);
        }
        EXPECT_LE(source.reads, row.most_reads);
        EXPECT_LE(source.bytes_read, row.most_bytes_read);
    }
}

// The one-read path wrote many rows through a single row pointer, so the
// surface knew only that row as painted and the next erase left the rest of
// the picture behind: after a complete load (rows with and without padding;
// pictures shorter, equal, taller), and after a read that failed halfway
// (EraseAfterReadFailingHalfwayRepaintsEveryRow).
TEST(BmpChangeTracking, EraseAfterOneReadLoadRepaintsEveryRow) {
    const struct {
        std::int32_t w, h;
        std::uint64_t fail_from_end;
    } rows[] = {{4, 2, 0}, {4, 6, 0}, {4, 9, 0}, {5, 2, 0}, {5, 6, 0}, {5, 9, 0}, {5, 6, 20}};
    for (const auto& [w, h, fail_from_end] : rows) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", failing " + std::to_string(fail_from_end) +
                     " bytes from the end");
        const Bytes file = test::encode_surface(make_surface(w, h, orange));
        WatchedSource source(file, fail_from_end ? file.size() - fail_from_end : no_cut);
        FrameSurface s = make_surface(w, 6, white);
        s.forget_changes();
        if (fail_from_end) {
            EXPECT_THROW(decode_bmp_onto(source, s), Failure);
        } else {
            decode_bmp_onto(source, s);
            EXPECT_EQ(s.changed_rows().top, 0);
            EXPECT_EQ(s.changed_rows().bottom, 5);
        }
        s.erase_to_background();
        EXPECT_EQ(pixels_of(s), std::vector<Colour>(static_cast<std::size_t>(w) * 6, white));
    }
}

// ---------------------------------------------------------------------------
// Every accepted kind of file gives exactly the expected pixels.

TEST(BmpVariants, DecodeToTheExpectedPixels) {
    struct Row {
        std::string name;
        P picture;
        std::vector<Colour> expected = {}; // top row first; empty: the picture's own pixels
    };
    const auto set = [](auto member, auto value) { return [=](P& p) { p.*member = value; }; };
    const P rgb24 = pic(3, 2, 24, rgb6);
    // 1 bit: 9 pixels a row straddle a byte.
    const std::vector<Colour> one_bit{navy,   orange, orange, navy, navy,   navy,   orange, navy, orange,
                                      orange, navy,   navy,   navy, orange, orange, navy,   navy, navy};
    // 4 bits, odd width: the last pixel of a row is a high nibble alone.
    std::vector<Colour> four_bit;
    for (int i = 0; i < 15; ++i) four_bit.push_back(std::vector{red, green, blue, navy, orange, black}[(i * 5) % 6]);
    // Colours-used 0 means the full 256 entries.
    P all_256 = with(raw(2, 2, 8, {0, 17, 255, 128}), set(&P::colours_used, 0u));
    for (int i = 0; i < 256; ++i)
        all_256.palette.push_back(
            Colour{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i / 2)});

    std::vector<Row> rows{
        {"Palette1Bit", with(pic(9, 2, 1, one_bit), set(&P::palette, std::vector{navy, orange}))},
        {"Palette1BitCoreHeader", with(pic(9, 2, 1, one_bit), [](P& p) { p.palette = {orange, navy}, p.header_size = 12; })},
        {"Palette4BitOddWidth", pic(5, 3, 4, four_bit)},
        {"Palette8BitFewColours", pic(3, 2, 8, rgb6)},
        {"Palette8BitTopDownV5", with(pic(3, 2, 8, rgb6), [](P& p) { p.top_down = true, p.header_size = 124; })},
        {"Palette8BitCoreHeader", with(pic(3, 2, 8, rgb6), set(&P::header_size, 12u))},
        {"Palette8BitColoursUsedZero", all_256, {{0, 255, 0}, {17, 238, 8}, {255, 0, 127}, {128, 127, 64}}},
        // The padding nibble or bits after a row are no pixel: junk there is fine.
        {"Palette4BitJunkInRowPadding", with(pic(5, 1, 4, {red, green, red, red, green}), set(&P::padding_byte, 0xff))},
        {"Palette1BitOneColourJunkInRowPadding",
         with(raw(3, 1, 1, {0, 0, 0}), [](P& p) { p.palette = {yellow}, p.padding_byte = 0xff; }), {3, yellow}},
        // 16 bits: channels widened to 8 bits as round(v * 255 / max).
        {"Bits16Rgb555", raw(3, 2, 16, {0x7fff, 0x7c00, 0x03e0, 0x001f, 0x8000, 0x060f}),
         {white, red, green, blue, black, {8, 132, 123}}},
        {"Bits24BottomUp", rgb24},
        {"Bits24TopDown", with(rgb24, set(&P::top_down, true))},
        {"Bits24CoreHeader", with(rgb24, set(&P::header_size, 12u))},
        {"Bits24V4", with(rgb24, set(&P::header_size, 108u))},
        {"Bits24V5TopDown", with(rgb24, [](P& p) { p.header_size = 124, p.top_down = true; })},
        {"Bits24WithUnusedPalette", with(rgb24, [](P& p) { p.palette = {black, white, black}, p.colours_used = 3; })},
        {"Bits24AbsurdColoursUsedIgnored", with(rgb24, set(&P::colours_used, 0xffffffffu))},
        {"Bits24GapBeforePixels", with(rgb24, set(&P::gap_before_pixels, 10u))},
        {"Bits24FileSizeFieldZero", with(rgb24, set(&P::file_size_field, 0u))},
        {"Bits24FileSizeFieldHuge", with(rgb24, set(&P::file_size_field, 0xffffffffu))},
        {"Bits32RgbIgnoresTheTopByte", raw(2, 1, 32, {0xab123456, 0x00ff0000}), {{0x12, 0x34, 0x56}, red}},
        {"Bits32BitfieldsReversedHeader56",
         with(bitfields(raw(2, 1, 32, {0xff563412, 0x000000ff}), {0x000000ff, 0x0000ff00, 0x00ff0000, 0xff000000}),
              set(&P::header_size, 56u)),
         {{0x12, 0x34, 0x56}, red}},
        {"Bits32AlphaBitfieldsAfterInfoHeader",
         bitfields(raw(2, 1, 32, {0x3456ff12, 0x000000ff}), {0x000000ff, 0xff000000, 0x00ff0000, 0x0000ff00},
                   test::bmp_alphabitfields),
         {{0x12, 0x34, 0x56}, red}},
        {"Bits32BitfieldsAfterInfoHeader", bitfields(pic(3, 2, 32, rgb6), {0xff000000, 0x00ff0000, 0x0000ff00, 0})},
        {"Bits32TenBitChannelsV5",
         with(bitfields(raw(2, 1, 32, {1020u << 20 | 3u << 10 | 512u, 0x3fffffff}), {0x3ff00000, 0x000ffc00, 0x3ff, 0}),
              set(&P::header_size, 124u)),
         {{254, 1, 128}, white}},
        // Masks in the header mean nothing without bit-field compression.
        {"Bits32RgbV4IgnoresHeaderMasks",
         with(pic(3, 2, 32, rgb6), [](P& p) { p.header_size = 108, p.masks = {0xff, 0xff00, 0xff0000, 0}; })},
    };
    for (std::uint32_t header : {40u, 52u, 56u, 108u, 124u})
        rows.push_back({"Bits16Bitfields565Header" + std::to_string(header),
                        with(bitfields(raw(2, 2, 16, {0xf800, 0x07e0, 0x001f, 0x0c03}), {0xf800, 0x07e0, 0x001f, 0}),
                             set(&P::header_size, header)),
                        {red, green, blue, {8, 130, 25}}});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FrameSurface s = make_surface(row.picture.width, row.picture.height);
        decode(make_bmp(row.picture), s);
        EXPECT_EQ(pixels_of(s), row.expected.empty() ? row.picture.pixels : row.expected);
    }
}

// ---------------------------------------------------------------------------
// Channel widening: a full channel is 255, an empty one 0, whatever its width.

TEST(ChannelWidening, FullIsWhiteEmptyIsBlackAndHalvesSplitAtMidGrey) {
    for (unsigned n = 1; n <= 32; ++n) {
        SCOPED_TRACE(std::to_string(n) + "-bit channels");
        const std::uint32_t max = n == 32 ? 0xffffffffu : (1u << n) - 1;
        const std::uint32_t mask = max << (32 - n); // at the top of the word, to catch shift slips
        const std::uint32_t upper_half = (max / 2 + 1) << (32 - n);
        const std::uint32_t lower_half = (max / 2) << (32 - n);
        FrameSurface s = make_surface(4, 1);
        decode(make_bmp(bitfields(raw(4, 1, 32, {mask, 0, upper_half, lower_half}), {mask, mask, mask, 0})), s);
        EXPECT_EQ(s.pixel(0, 0), white);
        EXPECT_EQ(s.pixel(1, 0), black);
        // The nearest 8-bit level: the upper half of the channel's values at 128 or above, the lower half below.
        EXPECT_GE(s.pixel(2, 0).r, 128);
        EXPECT_LE(s.pixel(3, 0).r, 127);
        EXPECT_EQ(s.pixel(2, 0), (Colour{s.pixel(2, 0).r, s.pixel(2, 0).r, s.pixel(2, 0).r}));
    }
}

// 8-bit channels, wherever they sit in a 16- or 32-bit pixel, pass every
// level through unchanged; 5-bit ones round to the nearest.
TEST(EightBitChannels, PassEveryLevelThroughUnchanged) {
    const std::uint8_t five_bit[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,  90,  99,  107, 115, 123,
                                       132, 140, 148, 156, 165, 173, 181, 189, 197, 206, 214, 222, 230, 239, 247, 255};
    const struct {
        std::string name;
        std::uint16_t bits;
        unsigned levels, shift; // of each channel
    } rows[] = {{"16 bits, shift 0", 16, 256, 0}, {"16 bits, shift 8", 16, 256, 8},   {"32 bits, shift 0", 32, 256, 0},
                {"32 bits, shift 8", 32, 256, 8}, {"32 bits, shift 16", 32, 256, 16}, {"32 bits, shift 24", 32, 256, 24},
                {"FiveBitChannels.LevelsRoundToNearest", 16, 32, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto w = static_cast<std::int32_t>(row.levels);
        P p = raw(w, 1, row.bits, {});
        for (std::uint32_t v = 0; v < row.levels; ++v)
            p.raw.push_back(row.levels == 32 ? v << 10 | v << 5 | v : v << row.shift); // 5 bits: the default 555
        if (row.levels == 256) p = bitfields(p, {0xffu << row.shift, 0xffu << row.shift, 0xffu << row.shift, 0});
        FrameSurface s = make_surface(w, 1);
        decode(make_bmp(p), s);
        for (std::int32_t v = 0; v < w; ++v) {
            const auto level = row.levels == 32 ? five_bit[v] : static_cast<std::uint8_t>(v);
            ASSERT_EQ(s.pixel(v, 0), (Colour{level, level, level})) << "level " << v;
        }
    }
}

// ---------------------------------------------------------------------------
// Placement: top-left at (0, 0), unscaled, clipped; the rest is background.

TEST(BmpPlacement, PictureAtTopLeftClippedOverBackground) {
    const std::vector<Colour> colours{red, green, blue, cyan, magenta, yellow, black};
    const struct {
        std::string name;
        std::uint16_t bits;
        std::uint32_t header_size, compression;
        bool top_down;
        std::size_t colours; // how many of the test colours it can hold
    } formats[] = {{"Bits24BottomUp", 24, 40, test::bmp_rgb, false, 7},
                   {"Bits24TopDown", 24, 40, test::bmp_rgb, true, 7},
                   {"Bits24Core", 24, 12, test::bmp_rgb, false, 7},
                   {"Bits32Bitfields", 32, 124, test::bmp_bitfields, false, 7},
                   {"Bits16Rgb", 16, 40, test::bmp_rgb, true, 7},
                   {"Palette8", 8, 40, test::bmp_rgb, false, 7},
                   {"Palette4TopDown", 4, 40, test::bmp_rgb, true, 7},
                   {"Palette1", 1, 40, test::bmp_rgb, false, 2}};
    constexpr std::int32_t surface_w = 5; // rows of 15 bytes and 1 of padding
    constexpr std::int32_t surface_h = 3;
    for (const auto& f : formats) {
        const auto colour_at = [&](std::int32_t x, std::int32_t y) {
            return colours[static_cast<std::size_t>(x * 3 + y * 5) % f.colours];
        };
        for (const auto& [w, h] : {std::pair{1, 1}, {2, 2}, {5, 2}, {5, 3}, {5, 6}, {3, 3}, {7, 3}, {7, 5}, {2, 7}, {9, 1}}) {
            SCOPED_TRACE(f.name + ", " + std::to_string(w) + " x " + std::to_string(h));
            P p = raw(w, h, f.bits, {});
            p.header_size = f.header_size, p.compression = f.compression, p.top_down = f.top_down;
            if (f.compression == test::bmp_bitfields) p.masks = {0x00ff0000, 0x0000ff00, 0x000000ff, 0};
            if (f.bits <= 8) p.palette.assign(colours.begin(), colours.begin() + f.colours);
            p.padding_byte = 0xa5; // must never reach the surface's row padding
            for (std::int32_t y = 0; y < h; ++y)
                for (std::int32_t x = 0; x < w; ++x) p.pixels.push_back(colour_at(x, y));

            FrameSurface expected = make_surface(surface_w, surface_h);
            for (std::int32_t y = 0; y < std::min(h, surface_h); ++y)
                for (std::int32_t x = 0; x < std::min(w, surface_w); ++x)
                    expected.paint_span(y, x, x + 1, colour_at(x, y));

            FrameSurface s = make_surface(surface_w, surface_h);
            s.paint_span(0, 0, surface_w, orange); // leftovers from an earlier frame
            s.paint_span(2, 1, 3, navy);
            s.forget_changes();
            decode(make_bmp(p), s);
            EXPECT_EQ(pixels_of(s), pixels_of(expected));
            EXPECT_TRUE(same_bytes(s, expected)) << "row padding differs";
            EXPECT_EQ(s.changed_rows().top, 0);
            EXPECT_EQ(s.changed_rows().bottom, surface_h - 1);
        }
    }
}

// ---------------------------------------------------------------------------
// Refusals: invalid picture, naming the source, and the surface left as it was.

TEST(BmpRefusals, AreInvalidPicturesNamingTheSource) {
    struct Row {
        std::string name;
        P picture;
        std::string words; // part of the message that says what is wrong
        std::size_t keep = no_cut; // bytes of the file kept
        std::int32_t surface_w = 4, surface_h = 4;
    };
    const auto set = [](auto member, auto value) { return [=](P& p) { p.*member = value; }; };
    const P small24 = pic(3, 2, 24, rgb6);
    const P core24 = with(small24, set(&P::header_size, 12u));
    const auto compressed = [&](std::uint16_t bits, std::uint32_t compression) {
        return bitfields(bits <= 8 ? pic(3, 2, bits, {red, green, red, red, green, green}) : small24,
                         {0xff0000, 0xff00, 0xff, 0}, compression);
    };
    const P masks16 = bitfields(raw(2, 1, 16, {1, 2}), {0x7c00, 0x3e0, 0x1f, 0});
    // BI_ALPHABITFIELDS after a 40-byte header carries a fourth mask.
    const P alpha_fields = bitfields(raw(1, 1, 32, {0}), {0xff0000, 0xff00, 0xff, 0xff000000}, test::bmp_alphabitfields);

    std::vector<Row> rows{
        // The file and bitmap headers.
        {"EmptyFile", small24, "too short", 0},
        {"TruncatedFileHeader", small24, "too short", 10},
        {"BadSignature", with(small24, set(&P::signature, std::string("MB"))), "signature"},
        {"BitmapArraySignature", with(small24, set(&P::signature, std::string("BA"))), "signature"},
        {"TruncatedInfoHeader", small24, "ends inside its 40-byte bitmap header", 14 + 30},
        {"TruncatedV5Header", with(small24, set(&P::header_size, 124u)), "ends inside its 124-byte bitmap header",
         14 + 100},
        {"NoPlanes", with(small24, set(&P::planes_field, std::uint16_t{0})), "planes"},
        {"TwoPlanes", with(small24, set(&P::planes_field, std::uint16_t{2})), "planes"},
        {"CoreHeaderWith32Bits", with(core24, set(&P::bits_field, std::uint16_t{32})), "core"},
        // Compression.
        {"Rle8", compressed(8, test::bmp_rle8), "RLE8"},
        {"Rle4", compressed(4, test::bmp_rle4), "RLE4"},
        {"Jpeg", compressed(24, test::bmp_jpeg), "JPEG"},
        {"Png", compressed(24, test::bmp_png), "PNG"},
        {"UnknownCompression7", compressed(24, 7), "unknown compression 7"},
        {"UnknownCompressionHuge", compressed(24, 0xffffffff), "unknown compression"},
        {"BitfieldsWith24Bits", compressed(24, test::bmp_bitfields), "bit-field compression"},
        {"BitfieldsWith8Bits", compressed(8, test::bmp_bitfields), "bit-field compression"},
        {"AlphaBitfieldsWith24Bits", compressed(24, test::bmp_alphabitfields), "bit-field compression"},
        // Sizes.
        {"ZeroWidth", with(small24, set(&P::width_field, 0)), "width 0"},
        {"NegativeWidth", with(small24, set(&P::width_field, -3)), "width -3"},
        {"ZeroHeight", with(small24, set(&P::height_field, 0)), "height 0"},
        {"LowestHeight", with(small24, set(&P::height_field, std::numeric_limits<std::int32_t>::min())),
         "height -2147483648"},
        {"CoreZeroWidth", with(core24, set(&P::width_field, 0)), "width 0"},
        {"CoreZeroHeight", with(core24, set(&P::height_field, 0)), "height 0"},
        // 65536 x 65536 at 24 bits is exactly 3 * 2^32 bytes: 0 in 32 bits.
        {"SizeWrapsTo0In32Bits", with(small24, [](P& p) { p.width_field = p.height_field = 65536; }), "truncated"},
        // 2^30 pixels of 32 bits a row is 2^35 bits: 0 in 32 bits.
        {"RowBitsWrapTo0In32Bits", with(small24, [](P& p) { p.bits = 32, p.width_field = 1 << 30, p.height_field = 1; }),
         "truncated"},
        // The largest claim a header can make: close to 2^64 bytes.
        {"LargestClaimNear64Bits",
         with(small24, [](P& p) { p.bits = 32, p.width_field = int_max, p.height_field = -int_max; }), "truncated"},
        {"Claim2To31Squared", with(small24, [](P& p) { p.width_field = p.height_field = int_max; }), "truncated"},
        // Pixel data. 1 pixel of 24 bits has 1 byte of padding.
        {"LastRowPaddingMissing", with(pic(1, 2, 24, {red, green}), set(&P::cut_bytes, std::size_t{1})), "truncated"},
        {"LastRowMissing", with(small24, set(&P::cut_bytes, std::size_t{12})), "truncated"},
        {"TruncatedPalettedPixels", with(paletted(9, 3, 1, 0, 0), set(&P::cut_bytes, std::size_t{1})), "truncated"},
        {"PixelOffsetPastTheEnd",
         with(small24, [](P& p) { p.pixel_offset_field = static_cast<std::uint32_t>(make_bmp(p).size() + 1); }),
         "past the end"},
        {"PixelOffsetHuge", with(small24, set(&P::pixel_offset_field, 0xffffffffu)), "past the end"},
        {"PixelOffsetInsideHeader", with(small24, set(&P::pixel_offset_field, 20u)), "inside its headers"},
        {"PixelOffsetInsideMasks", with(masks16, set(&P::pixel_offset_field, 60u)), "inside its headers"},
        // Palettes.
        {"ColoursUsed257For8Bits", with(paletted(2, 2, 8, 0, 0), set(&P::colours_used, 257u)), "palette colours"},
        {"ColoursUsed4294967295For8Bits", with(paletted(2, 2, 8, 0, 0), set(&P::colours_used, 0xffffffffu)),
         "palette colours"},
        {"ColoursUsed3For1Bit", with(paletted(2, 2, 1, 0, 0), set(&P::colours_used, 3u)), "palette colours"},
        {"ColoursUsed17For4Bits", with(paletted(2, 2, 4, 0, 0), set(&P::colours_used, 17u)), "palette colours"},
        {"PaletteRunsPastTheEnd", with(paletted(2, 2, 8, 0, 0), set(&P::colours_used, 256u)),
         "ends inside its 256-colour palette"},
        {"PaletteOverlapsPixels", with(paletted(8, 8, 8, 0, 0), set(&P::colours_used, 4u)), "inside its headers"},
        {"CorePaletteShort",
         with(paletted(40, 40, 8, 0, 0), [](P& p) { p.header_size = 12, p.palette_entries_written = 2u; }),
         "inside its headers"},
        // Palette indices, wherever the surface shows them: in a row long
        // enough to need several reads, and last in a file of many rows.
        {"PaletteIndexOutOfRange", paletted(3, 2, 8, 4, 2), "palette index 2 at pixel (1, 1)"},
        {"PaletteIndexOutOfRangeInLastNibble", paletted(5, 1, 4, 4, 2), "palette index 2 at pixel (4, 0)", no_cut, 5, 1},
        {"PaletteIndexOutOfRangeOneColour1Bit", with(paletted(11, 1, 1, 10, 1), set(&P::colours_used, 1u)),
         "palette index 1 at pixel (10, 0)", no_cut, 11, 1},
        {"PaletteIndexOutOfRangeInManyRows", paletted(300, 5000, 8, 7, 9), "palette index 9 at pixel (7, 0)", no_cut,
         300, 5000},
        {"PaletteIndexOutOfRangeInVeryLongRow", paletted(1'200'000, 2, 8, 1'200'000 + 32'766, 2),
         "palette index 2 at pixel (32766, 1)", no_cut, 32'767, 2},
        // Bit-field masks.
        {"RedMaskZero", with(masks16, set(&P::masks, std::array<std::uint32_t, 4>{0, 0x3e0, 0x1f, 0})),
         "red bit-field mask is zero"},
        {"BlueMaskZeroV5", with(masks16, [](P& p) { p.masks[2] = 0, p.header_size = 124; }), "blue bit-field mask is zero"},
        {"GreenMaskNotOneRun", with(masks16, [](P& p) { p.masks[1] = 0x0f0f; }), "not one run"},
        {"MaskPastSixteenBits", with(masks16, [](P& p) { p.masks[0] = 0x1f0000; }), "outside the 16-bit pixel"},
        {"Mask32BitsNotOneRun", bitfields(raw(1, 1, 32, {0}), {0x80000001, 0xff00, 0xff, 0}), "not one run"},
        {"PixelOffsetInsideAlphaMask", with(alpha_fields, set(&P::pixel_offset_field, 66u)), "inside its headers"},
        {"AlphaMaskCutShort", alpha_fields, "ends inside its bit-field masks", 14 + 40 + 14},
        {"MasksCutShort", masks16, "ends inside its bit-field masks", 14 + 40 + 6},
    };
    for (std::uint32_t size : {0u, 16u, 64u, 41u, 0xffffffffu})
        rows.push_back({"UnknownHeaderSize" + std::to_string(size), with(small24, set(&P::header_size_field, size)),
                        "unknown size"});
    for (std::uint16_t bits : {0, 2, 15, 48, 64})
        rows.push_back({"Bits" + std::to_string(bits), with(small24, set(&P::bits_field, bits)), "bits per pixel"});

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file = make_bmp(row.picture);
        file.resize(std::min(row.keep, file.size()));
        FrameSurface s = make_surface(row.surface_w, row.surface_h), before = make_surface(row.surface_w, row.surface_h);
        s.paint_span(0, 0, 1, orange);
        before.paint_span(0, 0, 1, orange);
        try {
            decode(file, s);
            ADD_FAILURE() << "accepted";
        } catch (const Failure& f) {
            const std::string message = f.what();
            EXPECT_EQ(f.kind(), FailureKind::invalid_picture) << message;
            EXPECT_EQ(message.find(source_name), 0u) << message;
            EXPECT_NE(message.find(row.words), std::string::npos) << message;
        }
        EXPECT_TRUE(same_bytes(s, before)) << "a refused picture changed the surface";
    }
}

} // namespace
} // namespace wiper
