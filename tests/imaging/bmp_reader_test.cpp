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

using test::BmpPicture;
using test::make_bmp;
using test::pixels_of;
using test::with;

const std::string source_name = "frames/shot 007.bmp";

constexpr Colour red{255, 0, 0};
constexpr Colour green{0, 255, 0};
constexpr Colour blue{0, 0, 255};
constexpr Colour cyan{0, 255, 255};
constexpr Colour magenta{255, 0, 255};
constexpr Colour yellow{255, 255, 0};
constexpr Colour navy{0, 0, 128};
constexpr Colour orange{255, 165, 0};
constexpr Colour unusual_background{200, 220, 240};

FrameSurface make_surface(std::int32_t w, std::int32_t h, Colour background = unusual_background) {
    FrameSurface s;
    s.set_size(w, h);
    s.set_background(background);
    return s;
}

void decode(const std::vector<std::uint8_t>& bytes, FrameSurface& surface) {
    MemorySource source(bytes, source_name);
    decode_bmp_onto(source, surface);
}

// Counts what the reader asks of its source.
class CountingSource final : public ByteSource {
public:
    explicit CountingSource(ByteSource& inner) : inner_(inner) {}
    std::uint64_t size() const override { return inner_.size(); }
    void take(std::uint64_t offset, std::span<std::uint8_t> into) override {
        ++reads;
        bytes_read += into.size();
        largest_read = std::max<std::uint64_t>(largest_read, into.size());
        inner_.read_at(offset, into);
    }
    const std::string& name() const override { return inner_.name(); }

    int reads = 0;
    std::uint64_t bytes_read = 0;
    std::uint64_t largest_read = 0;

private:
    ByteSource& inner_;
};

// ---------------------------------------------------------------------------
// MemorySource

TEST(MemorySource, ReadsExactlyTheRangeAsked) {
    const std::vector<std::uint8_t> bytes{1, 2, 3, 4, 5};
    MemorySource source(bytes, source_name);
    std::vector<std::uint8_t> into(3, 0);
    source.read_at(2, into);
    EXPECT_EQ(into, (std::vector<std::uint8_t>{3, 4, 5}));
    source.read_at(5, std::span<std::uint8_t>{}); // nothing, right at the end
    EXPECT_EQ(source.size(), 5u);
    EXPECT_EQ(source.name(), source_name);
}

struct OutOfRange {
    std::uint64_t offset;
    std::size_t length;
};

class MemorySourceOutOfRange : public testing::TestWithParam<OutOfRange> {};

TEST_P(MemorySourceOutOfRange, IsAnInvalidPictureNamingTheSource) {
    const std::vector<std::uint8_t> bytes{1, 2, 3, 4, 5};
    MemorySource source(bytes, source_name);
    std::vector<std::uint8_t> into(GetParam().length, 0xcc);
    try {
        source.read_at(GetParam().offset, into);
        FAIL() << "read past the end accepted";
    } catch (const Failure& f) {
        EXPECT_EQ(f.kind(), FailureKind::invalid_picture);
        EXPECT_NE(std::string(f.what()).find(source_name), std::string::npos) << f.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, MemorySourceOutOfRange,
                         testing::Values(OutOfRange{0, 6}, OutOfRange{4, 2}, OutOfRange{5, 1}, OutOfRange{6, 0},
                                         // offset + length wraps around to a small number
                                         OutOfRange{std::numeric_limits<std::uint64_t>::max(), 2},
                                         OutOfRange{std::numeric_limits<std::uint64_t>::max() - 1, 3}));

// ---------------------------------------------------------------------------
// Our writer's files read back byte for byte. Odd widths give every amount of
// row padding (0 to 3 bytes).

class BmpRoundTrip : public testing::TestWithParam<std::int32_t> {};

TEST_P(BmpRoundTrip, WriterOutputReadsBackIdentically) {
    const std::int32_t w = GetParam();
    const std::int32_t h = 3;
    FrameSurface original = make_surface(w, h, white);
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x)
            original.paint_span(y, x, x + 1,
                                Colour{static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(x * 13 + 50 * y),
                                       static_cast<std::uint8_t>(255 - x - y)});
    const std::vector<std::uint8_t> file = test::encode_surface(original);
    ASSERT_EQ(file.size(), bmp_header_size + bmp_stride(w) * h);

    FrameSurface copy = make_surface(w, h, navy);
    copy.paint_span(1, 0, w, orange); // old content must not survive
    copy.forget_changes();
    decode(file, copy);
    EXPECT_TRUE(std::equal(copy.bytes().begin(), copy.bytes().end(), original.bytes().begin(),
                           original.bytes().end()));
    EXPECT_EQ(copy.changed_rows().top, 0);
    EXPECT_EQ(copy.changed_rows().bottom, h - 1);
}

INSTANTIATE_TEST_SUITE_P(OddWidths, BmpRoundTrip, testing::Values(1, 2, 3, 4, 5, 753));

// A frame file of the surface's own size is read in one go, not row by row.
TEST(BmpReadPattern, OwnFrameFileTakesFewReads) {
    FrameSurface original = make_surface(753, 120, orange);
    const std::vector<std::uint8_t> file = test::encode_surface(original);
    MemorySource memory(file, source_name);
    CountingSource counting(memory);
    FrameSurface copy = make_surface(753, 120, white);
    decode_bmp_onto(counting, copy);
    EXPECT_LE(counting.reads, 4);
    EXPECT_TRUE(std::equal(copy.bytes().begin(), copy.bytes().end(), original.bytes().begin(),
                           original.bytes().end()));
}

// A header claiming 2^31 x 2^31 pixels is refused from the header alone.
TEST(BmpReadPattern, HostileHeaderIsRefusedWithoutTouchingPixels) {
    BmpPicture p;
    p.pixels = {red};
    p.bits = 32;
    p.width_field = std::numeric_limits<std::int32_t>::max();
    p.height_field = std::numeric_limits<std::int32_t>::max();
    const std::vector<std::uint8_t> file = make_bmp(p);
    MemorySource memory(file, source_name);
    CountingSource counting(memory);
    FrameSurface s = make_surface(4, 4);
    EXPECT_THROW(decode_bmp_onto(counting, s), Failure);
    EXPECT_LE(counting.bytes_read, 256u);
}

// A medium that fails partway through a read, after part of the bytes arrived.
class FailingSource final : public ByteSource {
public:
    FailingSource(ByteSource& inner, std::uint64_t fail_from) : inner_(inner), fail_from_(fail_from) {}
    std::uint64_t size() const override { return inner_.size(); }
    void take(std::uint64_t offset, std::span<std::uint8_t> into) override {
        if (offset + into.size() <= fail_from_) return inner_.read_at(offset, into);
        if (offset < fail_from_) inner_.read_at(offset, into.first(fail_from_ - offset));
        throw Failure(FailureKind::file_access, inner_.name() + ": the medium failed");
    }
    const std::string& name() const override { return inner_.name(); }

private:
    ByteSource& inner_;
    std::uint64_t fail_from_;
};

// The one-read path wrote many rows through a single row pointer, so the
// surface knew only that row as painted and the next erase left the rest of
// the picture behind: after a complete load, and after a read that failed halfway.
TEST(BmpChangeTracking, EraseAfterOneReadLoadRepaintsEveryRow) {
    for (const std::int32_t w : {4, 5}) {     // rows with and without padding
        for (const std::int32_t h : {2, 6, 9}) { // picture shorter, equal, taller
            FrameSurface s = make_surface(w, 6, white);
            s.forget_changes();
            decode(test::encode_surface(make_surface(w, h, orange)), s);
            EXPECT_EQ(s.changed_rows().top, 0);
            EXPECT_EQ(s.changed_rows().bottom, 5);
            s.erase_to_background();
            for (const Colour& c : pixels_of(s)) ASSERT_EQ(c, white) << w << " x " << h;
        }
    }
}

TEST(BmpChangeTracking, EraseAfterReadFailingHalfwayRepaintsEveryRow) {
    const std::vector<std::uint8_t> file = test::encode_surface(make_surface(5, 6, orange));
    MemorySource memory(file, source_name);
    FailingSource failing(memory, file.size() - 20);
    FrameSurface s = make_surface(5, 6, white);
    EXPECT_THROW(decode_bmp_onto(failing, s), Failure);
    s.erase_to_background();
    for (const Colour& c : pixels_of(s)) ASSERT_EQ(c, white);
}

// ---------------------------------------------------------------------------
// Every accepted kind of file gives exactly the expected pixels.

struct Variant {
    std::string name;
    BmpPicture picture;
    std::vector<Colour> expected; // top row first
};

std::ostream& operator<<(std::ostream& os, const Variant& v) { return os << v.name; }

class BmpVariants : public testing::TestWithParam<Variant> {};

TEST_P(BmpVariants, DecodeToTheExpectedPixels) {
    const Variant& v = GetParam();
    FrameSurface s = make_surface(v.picture.width, v.picture.height);
    decode(make_bmp(v.picture), s);
    EXPECT_EQ(pixels_of(s), v.expected);
}

BmpPicture picture(std::int32_t w, std::int32_t h, std::uint16_t bits, std::vector<Colour> pixels) {
    BmpPicture p;
    p.width = w;
    p.height = h;
    p.bits = bits;
    p.pixels = std::move(pixels);
    return p;
}

BmpPicture raw_picture(std::int32_t w, std::int32_t h, std::uint16_t bits, std::vector<std::uint32_t> raw) {
    BmpPicture p;
    p.width = w;
    p.height = h;
    p.bits = bits;
    p.raw = std::move(raw);
    return p;
}

std::vector<Variant> variants() {
    const std::vector<Colour> six{red, green, blue, navy, orange, black};
    const std::vector<Colour> two_rows_of_three{red, green, blue, cyan, magenta, yellow};
    std::vector<Variant> out;

    // 1 bit: 9 pixels a row straddle a byte.
    const std::vector<Colour> one_bit{navy,   orange, orange, navy, navy,   navy,   orange, navy, orange,
                                      orange, navy,   navy,   navy, orange, orange, navy,   navy, navy};
    out.push_back({"Palette1Bit", with(picture(9, 2, 1, one_bit), [](BmpPicture& p) { p.palette = {navy, orange}; }),
                   one_bit});
    out.push_back({"Palette1BitCoreHeader",
                   with(picture(9, 2, 1, one_bit), [](BmpPicture& p) {
                       p.palette = {orange, navy};
                       p.header_size = 12;
                   }),
                   one_bit});
    // 4 bits, odd width: the last pixel of a row is a high nibble alone.
    std::vector<Colour> four_bit;
    for (int i = 0; i < 15; ++i) four_bit.push_back(six[(i * 5) % 6]);
    out.push_back({"Palette4BitOddWidth", picture(5, 3, 4, four_bit), four_bit});
    out.push_back({"Palette8BitFewColours", picture(3, 2, 8, two_rows_of_three), two_rows_of_three});
    out.push_back({"Palette8BitTopDownV5", with(picture(3, 2, 8, two_rows_of_three),
                                                [](BmpPicture& p) {
                                                    p.top_down = true;
                                                    p.header_size = 124;
                                                }),
                   two_rows_of_three});
    out.push_back({"Palette8BitCoreHeader",
                   with(picture(3, 2, 8, two_rows_of_three), [](BmpPicture& p) { p.header_size = 12; }),
                   two_rows_of_three});
    {
        // Colours-used 0 means the full 256 entries.
        BmpPicture p = raw_picture(2, 2, 8, {0, 17, 255, 128});
        for (int i = 0; i < 256; ++i)
            p.palette.push_back(Colour{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                       static_cast<std::uint8_t>(i / 2)});
        p.colours_used = 0;
        out.push_back({"Palette8BitColoursUsedZero", p, {{0, 255, 0}, {17, 238, 8}, {255, 0, 127}, {128, 127, 64}}});
    }
    {
        // The padding nibble after an odd 4-bit row is no pixel: junk there is fine.
        BmpPicture p = picture(5, 1, 4, {red, green, red, red, green});
        p.padding_byte = 0xff;
        out.push_back({"Palette4BitJunkInRowPadding", p, p.pixels});
        BmpPicture q = raw_picture(3, 1, 1, {0, 0, 0});
        q.palette = {yellow};
        q.padding_byte = 0xff;
        out.push_back({"Palette1BitOneColourJunkInRowPadding", q, {yellow, yellow, yellow}});
    }

    // 16 bits: channels widened to 8 bits as round(v * 255 / max).
    out.push_back({"Bits16Rgb555",
                   raw_picture(3, 2, 16, {0x7fff, 0x7c00, 0x03e0, 0x001f, 0x8000, 0x060f}),
                   {white, red, green, blue, black, {8, 132, 123}}});
    const std::vector<std::uint32_t> words565{0xf800, 0x07e0, 0x001f, 0x0c03};
    const std::vector<Colour> colours565{red, green, blue, {8, 130, 25}};
    for (std::uint32_t header : {40u, 52u, 56u, 108u, 124u})
        out.push_back({"Bits16Bitfields565Header" + std::to_string(header),
                       with(raw_picture(2, 2, 16, words565),
                            [&](BmpPicture& p) {
                                p.header_size = header;
                                p.compression = test::bmp_bitfields;
                                p.masks = {0xf800, 0x07e0, 0x001f, 0};
                            }),
                       colours565});

    // 24 bits.
    out.push_back({"Bits24BottomUp", picture(3, 2, 24, two_rows_of_three), two_rows_of_three});
    out.push_back({"Bits24TopDown", with(picture(3, 2, 24, two_rows_of_three), [](BmpPicture& p) { p.top_down = true; }),
                   two_rows_of_three});
    out.push_back({"Bits24CoreHeader", with(picture(3, 2, 24, two_rows_of_three), [](BmpPicture& p) { p.header_size = 12; }),
                   two_rows_of_three});
    out.push_back({"Bits24V4", with(picture(3, 2, 24, two_rows_of_three), [](BmpPicture& p) { p.header_size = 108; }),
                   two_rows_of_three});
    out.push_back({"Bits24V5TopDown", with(picture(3, 2, 24, two_rows_of_three),
                                           [](BmpPicture& p) {
                                               p.header_size = 124;
                                               p.top_down = true;
                                           }),
                   two_rows_of_three});
    out.push_back({"Bits24WithUnusedPalette", with(picture(3, 2, 24, two_rows_of_three),
                                                   [](BmpPicture& p) {
                                                       p.palette = {black, white, black};
                                                       p.colours_used = 3;
                                                   }),
                   two_rows_of_three});
    out.push_back({"Bits24AbsurdColoursUsedIgnored",
                   with(picture(3, 2, 24, two_rows_of_three), [](BmpPicture& p) { p.colours_used = 0xffffffff; }),
                   two_rows_of_three});
    out.push_back({"Bits24GapBeforePixels",
                   with(picture(3, 2, 24, two_rows_of_three), [](BmpPicture& p) { p.gap_before_pixels = 10; }),
                   two_rows_of_three});
    out.push_back({"Bits24FileSizeFieldZero",
                   with(picture(3, 2, 24, two_rows_of_three), [](BmpPicture& p) { p.file_size_field = 0; }),
                   two_rows_of_three});
    out.push_back({"Bits24FileSizeFieldHuge",
                   with(picture(3, 2, 24, two_rows_of_three), [](BmpPicture& p) { p.file_size_field = 0xffffffff; }),
                   two_rows_of_three});

    // 32 bits.
    out.push_back({"Bits32RgbIgnoresTheTopByte",
                   raw_picture(2, 1, 32, {0xab123456, 0x00ff0000}),
                   {{0x12, 0x34, 0x56}, red}});
    out.push_back({"Bits32BitfieldsReversedHeader56",
                   with(raw_picture(2, 1, 32, {0xff563412, 0x000000ff}),
                        [](BmpPicture& p) {
                            p.header_size = 56;
                            p.compression = test::bmp_bitfields;
                            p.masks = {0x000000ff, 0x0000ff00, 0x00ff0000, 0xff000000};
                        }),
                   {{0x12, 0x34, 0x56}, red}});
    out.push_back({"Bits32AlphaBitfieldsAfterInfoHeader",
                   with(raw_picture(2, 1, 32, {0x3456ff12, 0x000000ff}),
                        [](BmpPicture& p) {
                            p.compression = test::bmp_alphabitfields;
                            p.masks = {0x000000ff, 0xff000000, 0x00ff0000, 0x0000ff00};
                        }),
                   {{0x12, 0x34, 0x56}, red}});
    out.push_back({"Bits32BitfieldsAfterInfoHeader",
                   with(picture(3, 2, 32, two_rows_of_three),
                        [](BmpPicture& p) {
                            p.compression = test::bmp_bitfields;
                            p.masks = {0xff000000, 0x00ff0000, 0x0000ff00, 0};
                        }),
                   two_rows_of_three});
    out.push_back({"Bits32TenBitChannelsV5",
                   with(raw_picture(2, 1, 32, {1020u << 20 | 3u << 10 | 512u, 0x3fffffff}),
                        [](BmpPicture& p) {
                            p.header_size = 124;
                            p.compression = test::bmp_bitfields;
                            p.masks = {0x3ff00000, 0x000ffc00, 0x000003ff, 0};
                        }),
                   {{254, 1, 128}, white}});
    // Masks in the header mean nothing without bit-field compression.
    out.push_back({"Bits32RgbV4IgnoresHeaderMasks", with(picture(3, 2, 32, two_rows_of_three),
                                                         [](BmpPicture& p) {
                                                             p.header_size = 108;
                                                             p.masks = {0xff, 0xff00, 0xff0000, 0};
                                                         }),
                   two_rows_of_three});
    return out;
}

INSTANTIATE_TEST_SUITE_P(Formats, BmpVariants, testing::ValuesIn(variants()),
                         [](const testing::TestParamInfo<Variant>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Channel widening: a full channel is 255, an empty one 0, whatever its width.

class ChannelWidening : public testing::TestWithParam<unsigned> {};

TEST_P(ChannelWidening, FullIsWhiteEmptyIsBlackAndHalvesSplitAtMidGrey) {
    const unsigned n = GetParam();
    const std::uint32_t max = n == 32 ? 0xffffffffu : (1u << n) - 1;
    const std::uint32_t mask = max << (32 - n); // at the top of the word, to catch shift slips
    const std::uint32_t upper_half = (max / 2 + 1) << (32 - n);
    const std::uint32_t lower_half = (max / 2) << (32 - n);
    BmpPicture p = raw_picture(4, 1, 32, {mask, 0, upper_half, lower_half});
    p.compression = test::bmp_bitfields;
    p.masks = {mask, mask, mask, 0};
    FrameSurface s = make_surface(4, 1);
    decode(make_bmp(p), s);
    EXPECT_EQ(s.pixel(0, 0), white);
    EXPECT_EQ(s.pixel(1, 0), black);
    // The nearest 8-bit level: the upper half of the channel's values at 128 or above, the lower half below.
    EXPECT_GE(s.pixel(2, 0).r, 128);
    EXPECT_LE(s.pixel(3, 0).r, 127);
    EXPECT_EQ(s.pixel(2, 0), (Colour{s.pixel(2, 0).r, s.pixel(2, 0).r, s.pixel(2, 0).r}));
}

INSTANTIATE_TEST_SUITE_P(Widths, ChannelWidening, testing::Range(1u, 33u));

struct EightBitPlace {
    std::uint16_t bits;
    unsigned shift;
};

class EightBitChannels : public testing::TestWithParam<EightBitPlace> {};

TEST_P(EightBitChannels, PassEveryLevelThroughUnchanged) {
    const auto [bits, shift] = GetParam();
    BmpPicture p;
    p.width = 256;
    p.bits = bits;
    p.compression = test::bmp_bitfields;
    const std::uint32_t mask = 0xffu << shift;
    p.masks = {mask, mask, mask, 0};
    for (std::uint32_t v = 0; v < 256; ++v) p.raw.push_back(v << shift);
    FrameSurface s = make_surface(256, 1);
    decode(make_bmp(p), s);
    for (std::int32_t v = 0; v < 256; ++v) {
        const auto level = static_cast<std::uint8_t>(v);
        ASSERT_EQ(s.pixel(v, 0), (Colour{level, level, level})) << "level " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(Places, EightBitChannels,
                         testing::Values(EightBitPlace{16, 0}, EightBitPlace{16, 8}, EightBitPlace{32, 0},
                                         EightBitPlace{32, 8}, EightBitPlace{32, 16}, EightBitPlace{32, 24}));

TEST(FiveBitChannels, LevelsRoundToNearest) {
    const std::uint8_t expected[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,
                                       90,  99,  107, 115, 123, 132, 140, 148, 156, 165, 173,
                                       181, 189, 197, 206, 214, 222, 230, 239, 247, 255};
    BmpPicture p;
    p.width = 32;
    p.bits = 16;
    for (std::uint32_t v = 0; v < 32; ++v) p.raw.push_back(v << 10 | v << 5 | v);
    FrameSurface s = make_surface(32, 1);
    decode(make_bmp(p), s);
    for (std::int32_t v = 0; v < 32; ++v)
        EXPECT_EQ(s.pixel(v, 0), (Colour{expected[v], expected[v], expected[v]})) << "level " << v;
}

// ---------------------------------------------------------------------------
// Placement: top-left at (0, 0), unscaled, clipped; the rest is background.

struct Format {
    std::string name;
    std::uint16_t bits;
    std::uint32_t header_size;
    std::uint32_t compression;
    bool top_down;
    int colours; // how many of the test colours it can hold
};

std::ostream& operator<<(std::ostream& os, const Format& f) { return os << f.name; }

class BmpPlacement : public testing::TestWithParam<Format> {};

TEST_P(BmpPlacement, PictureAtTopLeftClippedOverBackground) {
    const Format& f = GetParam();
    const std::vector<Colour> colours{red, green, blue, cyan, magenta, yellow, black};
    const auto colour_at = [&](std::int32_t x, std::int32_t y) {
        return colours[static_cast<std::size_t>(x * 3 + y * 5) % static_cast<std::size_t>(f.colours)];
    };
    constexpr std::int32_t surface_w = 5; // rows of 15 bytes and 1 of padding
    constexpr std::int32_t surface_h = 3;
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {2, 2}, {5, 2}, {5, 3}, {5, 6},
                                                            {3, 3}, {7, 3}, {7, 5}, {2, 7}, {9, 1}};
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        BmpPicture p;
        p.width = w;
        p.height = h;
        p.bits = f.bits;
        p.header_size = f.header_size;
        p.compression = f.compression;
        p.top_down = f.top_down;
        if (f.compression == test::bmp_bitfields) p.masks = {0x00ff0000, 0x0000ff00, 0x000000ff, 0};
        if (f.bits <= 8) p.palette.assign(colours.begin(), colours.begin() + f.colours);
        p.padding_byte = 0xa5; // must never reach the surface's row padding
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x) p.pixels.push_back(colour_at(x, y));

        FrameSurface expected = make_surface(surface_w, surface_h);
        for (std::int32_t y = 0; y < std::min(h, surface_h); ++y)
            for (std::int32_t x = 0; x < std::min(w, surface_w); ++x) expected.paint_span(y, x, x + 1, colour_at(x, y));

        FrameSurface s = make_surface(surface_w, surface_h);
        s.paint_span(0, 0, surface_w, orange); // leftovers from an earlier frame
        s.paint_span(2, 1, 3, navy);
        s.forget_changes();
        decode(make_bmp(p), s);
        EXPECT_EQ(pixels_of(s), pixels_of(expected));
        EXPECT_TRUE(std::equal(s.bytes().begin(), s.bytes().end(), expected.bytes().begin(), expected.bytes().end()))
            << "row padding differs";
        EXPECT_EQ(s.changed_rows().top, 0);
        EXPECT_EQ(s.changed_rows().bottom, surface_h - 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, BmpPlacement,
                         testing::Values(Format{"Bits24BottomUp", 24, 40, test::bmp_rgb, false, 7},
                                         Format{"Bits24TopDown", 24, 40, test::bmp_rgb, true, 7},
                                         Format{"Bits24Core", 24, 12, test::bmp_rgb, false, 7},
                                         Format{"Bits32Bitfields", 32, 124, test::bmp_bitfields, false, 7},
                                         Format{"Bits16Rgb", 16, 40, test::bmp_rgb, true, 7},
                                         Format{"Palette8", 8, 40, test::bmp_rgb, false, 7},
                                         Format{"Palette4TopDown", 4, 40, test::bmp_rgb, true, 7},
                                         Format{"Palette1", 1, 40, test::bmp_rgb, false, 2}),
                         [](const testing::TestParamInfo<Format>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Refusals: invalid picture, naming the source, and the surface left as it was.

struct Refusal {
    std::string name;
    std::function<std::vector<std::uint8_t>()> file;
    std::string words; // part of the message that says what is wrong
    std::int32_t surface_w = 4;
    std::int32_t surface_h = 4;
};

std::ostream& operator<<(std::ostream& os, const Refusal& r) { return os << r.name; }

class BmpRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(BmpRefusals, AreInvalidPicturesNamingTheSource) {
    const Refusal& r = GetParam();
    const std::vector<std::uint8_t> file = r.file();
    FrameSurface s = make_surface(r.surface_w, r.surface_h);
    s.paint_span(0, 0, 1, orange);
    const FrameSurface before = [&] {
        FrameSurface copy = make_surface(r.surface_w, r.surface_h);
        copy.paint_span(0, 0, 1, orange);
        return copy;
    }();
    try {
        decode(file, s);
        FAIL() << "accepted";
    } catch (const Failure& f) {
        const std::string message = f.what();
        EXPECT_EQ(f.kind(), FailureKind::invalid_picture) << message;
        EXPECT_EQ(message.find(source_name), 0u) << message;
        EXPECT_NE(message.find(r.words), std::string::npos) << message;
    }
    EXPECT_TRUE(std::equal(s.bytes().begin(), s.bytes().end(), before.bytes().begin(), before.bytes().end()))
        << "a refused picture changed the surface";
}

BmpPicture small24() { return picture(3, 2, 24, {red, green, blue, cyan, magenta, yellow}); }

template <typename F>
std::function<std::vector<std::uint8_t>()> broken(BmpPicture p, F change) {
    change(p);
    return [p] { return make_bmp(p); };
}

std::function<std::vector<std::uint8_t>()> cut_to(BmpPicture p, std::size_t size) {
    return [p, size] {
        std::vector<std::uint8_t> bytes = make_bmp(p);
        bytes.resize(std::min(size, bytes.size()));
        return bytes;
    };
}

BmpPicture paletted(std::int32_t w, std::int32_t h, std::uint16_t bits, std::size_t bad_at, std::uint32_t bad) {
    BmpPicture p;
    p.width = w;
    p.height = h;
    p.bits = bits;
    p.palette = {red, green};
    p.raw.assign(static_cast<std::size_t>(w) * h, 0);
    p.raw[bad_at] = bad;
    return p;
}

BmpPicture bitfields16(std::array<std::uint32_t, 4> masks) {
    BmpPicture p = raw_picture(2, 1, 16, {1, 2});
    p.compression = test::bmp_bitfields;
    p.masks = masks;
    return p;
}

std::vector<Refusal> refusals() {
    constexpr auto int_max = std::numeric_limits<std::int32_t>::max();
    std::vector<Refusal> out;
    const auto field = [](auto member, auto value) {
        return [member, value](BmpPicture& p) { p.*member = value; };
    };

    // The file and bitmap headers.
    out.push_back({"EmptyFile", [] { return std::vector<std::uint8_t>{}; }, "too short"});
    out.push_back({"TruncatedFileHeader", cut_to(small24(), 10), "too short"});
    out.push_back({"BadSignature", broken(small24(), field(&BmpPicture::signature, std::string("MB"))), "signature"});
    out.push_back({"BitmapArraySignature", broken(small24(), field(&BmpPicture::signature, std::string("BA"))), "signature"});
    out.push_back({"TruncatedInfoHeader", cut_to(small24(), 14 + 30), "ends inside its 40-byte bitmap header"});
    out.push_back({"TruncatedV5Header", cut_to(with(small24(), field(&BmpPicture::header_size, 124u)), 14 + 100),
                   "ends inside its 124-byte bitmap header"});
    for (std::uint32_t size : {0u, 16u, 64u, 41u, 0xffffffffu})
        out.push_back({"UnknownHeaderSize" + std::to_string(size),
                       broken(small24(), field(&BmpPicture::header_size_field, size)), "unknown size"});
    out.push_back({"NoPlanes", broken(small24(), field(&BmpPicture::planes_field, std::uint16_t{0})), "planes"});
    out.push_back({"TwoPlanes", broken(small24(), field(&BmpPicture::planes_field, std::uint16_t{2})), "planes"});
    for (std::uint16_t bits : {0, 2, 15, 48, 64})
        out.push_back({"Bits" + std::to_string(bits), broken(small24(), field(&BmpPicture::bits_field, bits)),
                       "bits per pixel"});
    out.push_back({"CoreHeaderWith32Bits",
                   broken(small24(), [](BmpPicture& p) {
                       p.header_size = 12;
                       p.bits_field = 32;
                   }),
                   "core"});

    // Compression.
    const auto compressed = [](std::uint16_t bits, std::uint32_t compression) {
        BmpPicture p = small24();
        if (bits <= 8) p = picture(3, 2, bits, {red, green, red, red, green, green});
        p.bits = bits;
        p.compression = compression;
        p.masks = {0xff0000, 0xff00, 0xff, 0};
        return [p] { return make_bmp(p); };
    };
    out.push_back({"Rle8", compressed(8, test::bmp_rle8), "RLE8"});
    out.push_back({"Rle4", compressed(4, test::bmp_rle4), "RLE4"});
    out.push_back({"Jpeg", compressed(24, test::bmp_jpeg), "JPEG"});
    out.push_back({"Png", compressed(24, test::bmp_png), "PNG"});
    out.push_back({"UnknownCompression7", compressed(24, 7), "unknown compression 7"});
    out.push_back({"UnknownCompressionHuge", compressed(24, 0xffffffff), "unknown compression"});
    out.push_back({"BitfieldsWith24Bits", compressed(24, test::bmp_bitfields), "bit-field compression"});
    out.push_back({"BitfieldsWith8Bits", compressed(8, test::bmp_bitfields), "bit-field compression"});
    out.push_back({"AlphaBitfieldsWith24Bits", compressed(24, test::bmp_alphabitfields), "bit-field compression"});

    // Sizes.
    out.push_back({"ZeroWidth", broken(small24(), field(&BmpPicture::width_field, 0)), "width 0"});
    out.push_back({"NegativeWidth", broken(small24(), field(&BmpPicture::width_field, -3)), "width -3"});
    out.push_back({"ZeroHeight", broken(small24(), field(&BmpPicture::height_field, 0)), "height 0"});
    out.push_back({"LowestHeight",
                   broken(small24(), field(&BmpPicture::height_field, std::numeric_limits<std::int32_t>::min())),
                   "height -2147483648"});
    out.push_back({"CoreZeroWidth", broken(with(small24(), field(&BmpPicture::header_size, 12u)),
                                           field(&BmpPicture::width_field, 0)),
                   "width 0"});
    out.push_back({"CoreZeroHeight", broken(with(small24(), field(&BmpPicture::header_size, 12u)),
                                            field(&BmpPicture::height_field, 0)),
                   "height 0"});
    // 65536 x 65536 at 24 bits is exactly 3 * 2^32 bytes: 0 in 32 bits.
    out.push_back({"SizeWrapsTo0In32Bits", broken(small24(), [](BmpPicture& p) {
                       p.width_field = 65536;
                       p.height_field = 65536;
                   }),
                   "truncated"});
    // 2^30 pixels of 32 bits a row is 2^35 bits: 0 in 32 bits.
    out.push_back({"RowBitsWrapTo0In32Bits", broken(small24(), [](BmpPicture& p) {
                       p.bits = 32;
                       p.width_field = 1 << 30;
                       p.height_field = 1;
                   }),
                   "truncated"});
    // The largest claim a header can make: close to 2^64 bytes.
    out.push_back({"LargestClaimNear64Bits", broken(small24(), [=](BmpPicture& p) {
                       p.bits = 32;
                       p.width_field = int_max;
                       p.height_field = -int_max;
                   }),
                   "truncated"});
    out.push_back({"Claim2To31Squared", broken(small24(), [=](BmpPicture& p) {
                       p.width_field = int_max;
                       p.height_field = int_max;
                   }),
                   "truncated"});

    // Pixel data.
    out.push_back({"LastRowPaddingMissing",
                   [] {
                       std::vector<std::uint8_t> bytes = make_bmp(picture(1, 2, 24, {red, green}));
                       bytes.pop_back(); // 1 pixel of 24 bits has 1 byte of padding
                       return bytes;
                   },
                   "truncated"});
    out.push_back({"LastRowMissing", broken(small24(), field(&BmpPicture::cut_bytes, std::size_t{12})), "truncated"});
    out.push_back({"TruncatedPalettedPixels",
                   broken(paletted(9, 3, 1, 0, 0), field(&BmpPicture::cut_bytes, std::size_t{1})), "truncated"});
    out.push_back({"PixelOffsetPastTheEnd",
                   [] {
                       BmpPicture p = small24();
                       p.pixel_offset_field = static_cast<std::uint32_t>(make_bmp(p).size() + 1);
                       return make_bmp(p);
                   },
                   "past the end"});
    out.push_back({"PixelOffsetHuge", broken(small24(), field(&BmpPicture::pixel_offset_field, 0xffffffffu)),
                   "past the end"});
    out.push_back({"PixelOffsetInsideHeader", broken(small24(), field(&BmpPicture::pixel_offset_field, 20u)),
                   "inside its headers"});
    out.push_back({"PixelOffsetInsideMasks", broken(bitfields16({0x7c00, 0x3e0, 0x1f, 0}),
                                                    field(&BmpPicture::pixel_offset_field, 60u)),
                   "inside its headers"});

    // Palettes.
    for (std::uint32_t used : {257u, 0xffffffffu})
        out.push_back({"ColoursUsed" + std::to_string(used) + "For8Bits",
                       broken(paletted(2, 2, 8, 0, 0), field(&BmpPicture::colours_used, used)), "palette colours"});
    out.push_back({"ColoursUsed3For1Bit", broken(paletted(2, 2, 1, 0, 0), field(&BmpPicture::colours_used, 3u)),
                   "palette colours"});
    out.push_back({"ColoursUsed17For4Bits", broken(paletted(2, 2, 4, 0, 0), field(&BmpPicture::colours_used, 17u)),
                   "palette colours"});
    out.push_back({"PaletteRunsPastTheEnd", broken(paletted(2, 2, 8, 0, 0), field(&BmpPicture::colours_used, 256u)),
                   "ends inside its 256-colour palette"});
    out.push_back({"PaletteOverlapsPixels", broken(paletted(8, 8, 8, 0, 0), field(&BmpPicture::colours_used, 4u)),
                   "inside its headers"});
    out.push_back({"CorePaletteShort", broken(with(paletted(40, 40, 8, 0, 0), field(&BmpPicture::header_size, 12u)),
                                              field(&BmpPicture::palette_entries_written, 2u)),
                   "inside its headers"});

    // Palette indices, wherever the surface shows them.
    out.push_back({"PaletteIndexOutOfRange", broken(paletted(3, 2, 8, 4, 2), [](BmpPicture&) {}),
                   "palette index 2 at pixel (1, 1)"});
    out.push_back({"PaletteIndexOutOfRangeInLastNibble", broken(paletted(5, 1, 4, 4, 2), [](BmpPicture&) {}),
                   "palette index 2 at pixel (4, 0)", 5, 1});
    out.push_back({"PaletteIndexOutOfRangeOneColour1Bit",
                   broken(paletted(11, 1, 1, 10, 1), field(&BmpPicture::colours_used, 1u)),
                   "palette index 1 at pixel (10, 0)", 11, 1});
    out.push_back({"PaletteIndexOutOfRangeInManyRows",
                   [] {
                       // Rows enough to need several reads; the bad one comes last in the file.
                       BmpPicture p = paletted(300, 5000, 8, 7, 9);
                       return make_bmp(p);
                   },
                   "palette index 9 at pixel (7, 0)", 300, 5000});
    out.push_back({"PaletteIndexOutOfRangeInVeryLongRow",
                   [] { return make_bmp(paletted(1'200'000, 2, 8, 1'200'000 + 32'766, 2)); },
                   "palette index 2 at pixel (32766, 1)", 32'767, 2});

    // Bit-field masks.
    out.push_back({"RedMaskZero", [] { return make_bmp(bitfields16({0, 0x3e0, 0x1f, 0})); }, "red bit-field mask is zero"});
    out.push_back({"BlueMaskZeroV5", broken(bitfields16({0x7c00, 0x3e0, 0, 0}), field(&BmpPicture::header_size, 124u)),
                   "blue bit-field mask is zero"});
    out.push_back({"GreenMaskNotOneRun", [] { return make_bmp(bitfields16({0x7c00, 0x0f0f, 0x1f, 0})); },
                   "not one run"});
    out.push_back({"MaskPastSixteenBits", [] { return make_bmp(bitfields16({0x1f0000, 0x3e0, 0x1f, 0})); },
                   "outside the 16-bit pixel"});
    out.push_back({"Mask32BitsNotOneRun",
                   broken(raw_picture(1, 1, 32, {0}), [](BmpPicture& p) {
                       p.compression = test::bmp_bitfields;
                       p.masks = {0x80000001, 0xff00, 0xff, 0};
                   }),
                   "not one run"});
    // BI_ALPHABITFIELDS after a 40-byte header carries a fourth mask.
    const BmpPicture alpha_fields = with(raw_picture(1, 1, 32, {0}), [](BmpPicture& p) {
        p.compression = test::bmp_alphabitfields;
        p.masks = {0xff0000, 0xff00, 0xff, 0xff000000};
    });
    out.push_back({"PixelOffsetInsideAlphaMask", broken(alpha_fields, field(&BmpPicture::pixel_offset_field, 66u)),
                   "inside its headers"});
    out.push_back({"AlphaMaskCutShort", cut_to(alpha_fields, 14 + 40 + 14), "ends inside its bit-field masks"});
    out.push_back({"MasksCutShort", cut_to(bitfields16({0x7c00, 0x3e0, 0x1f, 0}), 14 + 40 + 6),
                   "ends inside its bit-field masks"});
    return out;
}

INSTANTIATE_TEST_SUITE_P(Files, BmpRefusals, testing::ValuesIn(refusals()),
                         [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

// Only what the surface shows is read and checked against the palette: a bad
// index beyond it is never looked at, however far the picture runs on.
TEST(BmpReadPattern, PaletteCheckReadsOnlyWhatTheSurfaceShows) {
    struct Case {
        BmpPicture picture;
        std::uint64_t most_bytes_read;
    };
    const Case cases[] = {
        {paletted(7, 2, 8, 6, 200), 256},                                // right of the surface
        {paletted(3, 5, 4, 14, 15), 256},                                // below it
        {with(paletted(3, 5, 4, 12, 3), [](BmpPicture& p) { p.top_down = true; }), 256},
        {paletted(1'200'000, 2, 8, 2 * 1'200'000 - 1, 2), 1024},         // rows far longer than it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.picture.width) + " x " + std::to_string(c.picture.height));
        const std::vector<std::uint8_t> file = make_bmp(c.picture);
        MemorySource memory(file, source_name);
        CountingSource counting(memory);
        FrameSurface s = make_surface(3, 2);
        decode_bmp_onto(counting, s);
        EXPECT_LE(counting.bytes_read, c.most_bytes_read);
        EXPECT_EQ(pixels_of(s), std::vector<Colour>(6, red));
    }
}

} // namespace
} // namespace wiper
