#include "imaging/bmp_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "common/failure.h"

namespace wiper {

MemorySource::MemorySource(std::span<const std::uint8_t> bytes, std::string name)
    : bytes_(bytes), name_(std::move(name)) {}

void ByteSource::read_at(std::uint64_t offset, std::span<std::uint8_t> into) {
    const std::uint64_t whole = size();
    // Checked as two comparisons so that a huge offset cannot wrap offset + length around.
    if (offset > whole || into.size() > whole - offset)
        throw Failure(FailureKind::invalid_picture,
                      name() + ": " + std::to_string(into.size()) + " bytes at offset " + std::to_string(offset) +
                          " run past the end of its " + std::to_string(whole) + " bytes");
    if (!into.empty()) take(offset, into);
}

void MemorySource::take(std::uint64_t offset, std::span<std::uint8_t> into) {
    std::memcpy(into.data(), bytes_.data() + offset, into.size());
}

namespace {

constexpr std::uint64_t file_header_bytes = 14;
constexpr std::uint32_t core_header_bytes = 12;
constexpr std::uint32_t info_header_bytes = 40;
constexpr std::uint32_t largest_header_bytes = 124;

constexpr std::uint32_t bi_rgb = 0;
constexpr std::uint32_t bi_rle8 = 1;
constexpr std::uint32_t bi_rle4 = 2;
constexpr std::uint32_t bi_bitfields = 3;
constexpr std::uint32_t bi_jpeg = 4;
constexpr std::uint32_t bi_png = 5;
constexpr std::uint32_t bi_alphabitfields = 6;

// Scratch for checking the palette indices of many short rows a read. Rows
// the surface shows are at most 32767 pixels of 4 bytes and are read whole.
constexpr std::uint64_t scratch_limit = std::uint64_t{1} << 20;

[[noreturn]] void reject(const ByteSource& source, const std::string& what) {
    throw Failure(FailureKind::invalid_picture, source.name() + ": " + what);
}

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string hex(std::uint32_t v) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) out += digits[(v >> shift) & 15];
    return out;
}

// One colour channel of a 16- or 32-bit pixel word.
struct Channel {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    std::uint32_t max = 0; // the channel at full intensity: mask >> shift, all ones

    // Widened as round(v * 255 / max): the nearest 8-bit level to the
    // channel's true intensity, by one rule for every width from 1 to 32 bits.
    // Bit replication agrees with it up to 8 bits but truncates wider
    // channels. A full channel gives 255, an empty one 0, and an 8-bit
    // channel passes through unchanged. No value lands on a tie (255 and max
    // are both odd), so the rounding direction never matters.
    std::uint8_t level(std::uint32_t word) const {
        const std::uint32_t v = (word & mask) >> shift;
        if (max == 255) return static_cast<std::uint8_t>(v);
        return static_cast<std::uint8_t>((std::uint64_t{v} * 255 + max / 2) / max);
    }
};

Channel channel_from_mask(const ByteSource& source, const char* name, std::uint32_t mask, unsigned bpp) {
    const std::uint64_t limit = bpp == 32 ? 0xffffffffu : (std::uint64_t{1} << bpp) - 1;
    if (mask == 0) reject(source, std::string("the ") + name + " bit-field mask is zero");
    if (mask > limit)
        reject(source, std::string("the ") + name + " bit-field mask " + hex(mask) + " lies outside the " +
                           std::to_string(bpp) + "-bit pixel");
    Channel c;
    c.mask = mask;
    c.shift = static_cast<unsigned>(std::countr_zero(mask));
    c.max = mask >> c.shift;
    if ((std::uint64_t{c.max} & (std::uint64_t{c.max} + 1)) != 0)
        reject(source, std::string("the ") + name + " bit-field mask " + hex(mask) + " is not one run of bits");
    return c;
}

// Everything the pixel loops need, checked against the file before any pixel is touched.
struct Layout {
    std::int64_t width = 0;
    std::int64_t height = 0; // rows, always positive
    bool top_down = false;
    unsigned bpp = 0;
    std::uint64_t stride = 0;
    std::uint64_t pixel_offset = 0;
    unsigned palette_count = 0;
    std::array<Colour, 256> palette{};
    Channel red, green, blue; // 16 and 32 bits only

    std::uint64_t file_row_offset(std::int64_t device_row) const {
        const auto file_row = static_cast<std::uint64_t>(top_down ? device_row : height - 1 - device_row);
        return pixel_offset + file_row * stride;
    }
    std::int64_t device_row(std::uint64_t file_row) const {
        return top_down ? static_cast<std::int64_t>(file_row) : height - 1 - static_cast<std::int64_t>(file_row);
    }
};

const char* compression_problem(std::uint32_t compression) {
    switch (compression) {
    case bi_rle8: return "is run-length compressed (RLE8), which is not supported";
    case bi_rle4: return "is run-length compressed (RLE4), which is not supported";
    case bi_jpeg: return "holds an embedded JPEG, which is not supported";
    case bi_png: return "holds an embedded PNG, which is not supported";
    default: return nullptr;
    }
}

Layout read_layout(ByteSource& source) {
    const std::uint64_t file_size = source.size();
    if (file_size < file_header_bytes + 4)
        reject(source, "is " + std::to_string(file_size) + " bytes long, too short for a BMP header");

    std::array<std::uint8_t, file_header_bytes + 4> start{};
    source.read_at(0, start);
    if (start[0] != 'B' || start[1] != 'M') reject(source, "does not start with the BMP signature \"BM\"");
    // The file size field at offset 2 is left alone: many writers get it
    // wrong, and the source knows its true size.
    Layout L;
    L.pixel_offset = le32(&start[10]);
    const std::uint32_t header_size = le32(&start[14]);
    switch (header_size) {
    case core_header_bytes:
    case info_header_bytes:
    case 52:
    case 56:
    case 108:
    case largest_header_bytes: break;
    default: reject(source, "has a bitmap header of unknown size " + std::to_string(header_size));
    }
    if (file_size - file_header_bytes < header_size)
        reject(source, "ends inside its " + std::to_string(header_size) + "-byte bitmap header");
    std::array<std::uint8_t, largest_header_bytes> hd{};
    source.read_at(file_header_bytes, std::span(hd).first(header_size));

    const bool core = header_size == core_header_bytes;
    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned planes = 0;
    std::uint32_t compression = bi_rgb;
    std::uint32_t colours_used = 0;
    if (core) {
        width = le16(&hd[4]);
        height = le16(&hd[6]);
        planes = le16(&hd[8]);
        L.bpp = le16(&hd[10]);
    } else {
        width = static_cast<std::int32_t>(le32(&hd[4]));
        height = static_cast<std::int32_t>(le32(&hd[8]));
        planes = le16(&hd[12]);
        L.bpp = le16(&hd[14]);
        compression = le32(&hd[16]);
        colours_used = le32(&hd[32]);
    }

    if (planes != 1) reject(source, "has " + std::to_string(planes) + " colour planes; a BMP has exactly 1");
    const bool bpp_known = L.bpp == 1 || L.bpp == 4 || L.bpp == 8 || L.bpp == 24 ||
                           (!core && (L.bpp == 16 || L.bpp == 32));
    if (!bpp_known)
        reject(source, "has " + std::to_string(L.bpp) + " bits per pixel, which " +
                           (core ? "a core (12-byte) header cannot carry" : "is not a BMP pixel size"));

    const bool bitfields = compression == bi_bitfields || compression == bi_alphabitfields;
    if (compression != bi_rgb && !bitfields) {
        const char* problem = compression_problem(compression);
        reject(source, problem ? std::string(problem) : "uses unknown compression " + std::to_string(compression));
    }
    if (bitfields && L.bpp != 16 && L.bpp != 32)
        reject(source, "uses bit-field compression with " + std::to_string(L.bpp) +
                           " bits per pixel; only 16 and 32 bits can have bit fields");

    if (width < 1) reject(source, "has width " + std::to_string(width) + "; it must be at least 1");
    if (height == 0 || height == std::numeric_limits<std::int32_t>::min())
        reject(source, "has height " + std::to_string(height) + ", which no picture can have");
    L.width = width;
    L.top_down = height < 0;
    L.height = height < 0 ? -height : height;

    // Where the headers end: masks and palette come after the bitmap header.
    std::uint64_t headers_end = file_header_bytes + header_size;

    if (L.bpp == 16 || L.bpp == 32) {
        std::uint32_t masks[3] = {0x7c00, 0x03e0, 0x001f}; // 16-bit BI_RGB is 5-5-5
        if (L.bpp == 32) {
            masks[0] = 0x00ff0000; // 32-bit BI_RGB is B, G, R and an unused byte
            masks[1] = 0x0000ff00;
            masks[2] = 0x000000ff;
        }
        if (bitfields) {
            const std::uint8_t* at = &hd[40];
            std::array<std::uint8_t, 16> after{};
            if (header_size == info_header_bytes) {
                // The plain info header has no room for masks: they follow it,
                // with an alpha mask too for BI_ALPHABITFIELDS.
                const std::uint64_t mask_bytes = compression == bi_alphabitfields ? 16 : 12;
                if (file_size - headers_end < mask_bytes) reject(source, "ends inside its bit-field masks");
                source.read_at(headers_end, std::span(after).first(mask_bytes));
                headers_end += mask_bytes;
                at = after.data();
            }
            for (int i = 0; i < 3; ++i) masks[i] = le32(at + 4 * i);
        }
        L.red = channel_from_mask(source, "red", masks[0], L.bpp);
        L.green = channel_from_mask(source, "green", masks[1], L.bpp);
        L.blue = channel_from_mask(source, "blue", masks[2], L.bpp);
    }
    // For 24 and more bits a palette may be present to help old displays; it
    // plays no part in the picture and is never read.

    if (L.bpp <= 8) {
        const unsigned full = 1u << L.bpp;
        if (colours_used > full)
            reject(source, "claims " + std::to_string(colours_used) + " palette colours; " +
                               std::to_string(L.bpp) + " bits per pixel allow at most " + std::to_string(full));
        L.palette_count = colours_used == 0 ? full : colours_used;
        const unsigned entry_bytes = core ? 3 : 4; // core entries are B, G, R; the others add a spare byte
        const std::uint64_t palette_bytes = std::uint64_t{L.palette_count} * entry_bytes;
        if (file_size - headers_end < palette_bytes)
            reject(source, "ends inside its " + std::to_string(L.palette_count) + "-colour palette");
        std::array<std::uint8_t, 256 * 4> raw{};
        source.read_at(headers_end, std::span(raw).first(palette_bytes));
        for (unsigned i = 0; i < L.palette_count; ++i) {
            const std::uint8_t* e = &raw[i * entry_bytes];
            L.palette[i] = Colour{e[2], e[1], e[0]};
        }
        headers_end += palette_bytes;
    }

    // Sizes in 64 bits. width * bpp stays below 2^36, so the stride cannot
    // overflow; stride * height is checked all the same, since it is the
    // product a hostile header aims at.
    const std::uint64_t row_bits = static_cast<std::uint64_t>(L.width) * L.bpp;
    L.stride = (row_bits + 31) / 32 * 4;
    const auto rows = static_cast<std::uint64_t>(L.height);
    if (L.stride > std::numeric_limits<std::uint64_t>::max() / rows)
        reject(source, "claims " + std::to_string(L.width) + " x " + std::to_string(L.height) +
                           " pixels, beyond any file size");
    const std::uint64_t pixel_bytes = L.stride * rows;

    if (L.pixel_offset > file_size)
        reject(source, "puts its pixels at offset " + std::to_string(L.pixel_offset) + ", past the end of its " +
                           std::to_string(file_size) + " bytes");
    if (L.pixel_offset < headers_end)
        reject(source, "puts its pixels at offset " + std::to_string(L.pixel_offset) +
                           ", inside its headers, which end at offset " + std::to_string(headers_end));
    if (pixel_bytes > file_size - L.pixel_offset)
        reject(source, "is truncated: " + std::to_string(L.width) + " x " + std::to_string(L.height) + " pixels at " +
                           std::to_string(L.bpp) + " bits need " + std::to_string(pixel_bytes) +
                           " bytes from offset " + std::to_string(L.pixel_offset) + ", but the file is " +
                           std::to_string(file_size) + " bytes");
    return L;
}

[[noreturn]] void reject_index(const ByteSource& source, const Layout& L, unsigned index, std::int64_t x,
                               std::int64_t y) {
    reject(source, "has palette index " + std::to_string(index) + " at pixel (" + std::to_string(x) + ", " +
                       std::to_string(y) + "), but its palette holds " + std::to_string(L.palette_count) +
                       " colours");
}

// The part of the picture the surface shows: its top-left corner.
struct Shown {
    std::int32_t w = 0;
    std::int32_t h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
};

Shown shown_part(const Layout& L, const FrameSurface& surface) {
    return Shown{static_cast<std::int32_t>(std::min<std::int64_t>(L.width, surface.width())),
                 static_cast<std::int32_t>(std::min<std::int64_t>(L.height, surface.height()))};
}

// Checks every pixel the surface shows against the palette. Pixels it does not
// show are never read: a header may declare a terabyte of rows, which a sparse
// file holds in a few kilobytes. Done before the surface is erased, so a
// refused picture leaves it as it was.
void check_palette_indices(ByteSource& source, const Layout& L, Shown shown, const std::function<void()>& between_rows) {
    const unsigned bpp = L.bpp;
    if (L.palette_count >= (1u << bpp)) return; // every index a pixel can hold is in the palette
    if (shown.empty()) return;
    const unsigned per_byte = 8 / bpp;
    const unsigned index_mask = (1u << bpp) - 1;
    const std::uint64_t used = (static_cast<std::uint64_t>(shown.w) * bpp + 7) / 8; // bytes holding shown pixels
    const auto last_byte_pixels = static_cast<unsigned>(shown.w % per_byte);        // 0 when the last byte is full

    // Which whole bytes hold an index the palette lacks.
    std::array<bool, 256> bad_byte{};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned k = 0; k < per_byte; ++k)
            if (((b >> (8 - bpp * (k + 1))) & index_mask) >= L.palette_count) bad_byte[b] = true;

    // Checks the shown bytes of file row `file_row`, at `p`.
    auto check = [&](const std::uint8_t* p, std::uint64_t file_row) {
        for (std::uint64_t i = 0; i < used; ++i) {
            const bool last = i + 1 == used;
            const unsigned pixels = last && last_byte_pixels != 0 ? last_byte_pixels : per_byte;
            if (pixels == per_byte && !bad_byte[p[i]]) continue;
            for (unsigned k = 0; k < pixels; ++k) {
                const unsigned index = (p[i] >> (8 - bpp * (k + 1))) & index_mask;
                if (index >= L.palette_count)
                    reject_index(source, L, index, static_cast<std::int64_t>(i * per_byte + k), L.device_row(file_row));
            }
        }
    };

    // The shown rows are one run of file rows: the first ones of a top-down
    // picture, the last ones of a bottom-up one.
    const auto rows = static_cast<std::uint64_t>(shown.h);
    const std::uint64_t first_row = L.top_down ? 0 : static_cast<std::uint64_t>(L.height) - rows;
    if (L.stride <= 2 * used + 64 && L.stride <= scratch_limit) {
        // Rows that are mostly shown: many a read.
        const std::uint64_t rows_per_read = std::min(rows, scratch_limit / L.stride);
        std::vector<std::uint8_t> scratch(rows_per_read * L.stride);
        for (std::uint64_t row = 0; row < rows; row += rows_per_read) {
            if (between_rows) between_rows();
            const std::uint64_t n = std::min(rows_per_read, rows - row);
            source.read_at(L.pixel_offset + (first_row + row) * L.stride, std::span(scratch).first(n * L.stride));
            for (std::uint64_t r = 0; r < n; ++r) check(&scratch[r * L.stride], first_row + row + r);
        }
    } else {
        // Rows far wider than the surface: only their shown start, at most a
        // surface row's 32767 bytes.
        std::vector<std::uint8_t> scratch(used);
        for (std::uint64_t row = 0; row < rows; ++row) {
            if (between_rows) between_rows();
            source.read_at(L.pixel_offset + (first_row + row) * L.stride, scratch);
            check(scratch.data(), first_row + row);
        }
    }
}

void put_pixels(ByteSource& source, const Layout& L, FrameSurface& surface, const std::function<void()>& between_rows) {
    const Shown shown = shown_part(L, surface);
    const std::int32_t shown_w = shown.w;
    const std::int32_t shown_h = shown.h;
    if (shown.empty()) return;
    const std::size_t shown_bytes = 3 * static_cast<std::size_t>(shown_w);

    if (L.bpp == 24) {
        if (!L.top_down && L.width == surface.width()) {
            // Rows laid out exactly as the surface keeps them (one of our own
            // frame files, typically): the shown rows are one run in both, so
            // one read. They are noted as changed before the read, in case it
            // fails halfway.
            source.read_at(L.file_row_offset(shown_h - 1), surface.rows_for_write(0, shown_h - 1));
            // The file's row padding may be anything; the surface's stays zero.
            if (shown_bytes != surface.stride())
                for (std::int32_t y = 0; y < shown_h; ++y) {
                    const std::span<std::uint8_t> pad = surface.row_for_write(y, shown_bytes, surface.stride());
                    std::memset(pad.data(), 0, pad.size());
                }
        } else {
            for (std::int32_t y = 0; y < shown_h; ++y) {
                if (between_rows) between_rows();
                source.read_at(L.file_row_offset(y), surface.row_for_write(y, 0, shown_bytes));
            }
        }
        return;
    }

    // At most 32767 pixels of 4 bytes: a row of the surface, never more.
    std::vector<std::uint8_t> scratch((static_cast<std::size_t>(shown_w) * L.bpp + 7) / 8);
    for (std::int32_t y = 0; y < shown_h; ++y) {
        if (between_rows) between_rows();
        source.read_at(L.file_row_offset(y), scratch);
        const std::uint8_t* in = scratch.data();
        std::uint8_t* out = surface.row_for_write(y, 0, shown_bytes).data();
        if (L.bpp <= 8) {
            const unsigned per_byte = 8 / L.bpp;
            const unsigned index_mask = (1u << L.bpp) - 1;
            for (std::int32_t x = 0; x < shown_w; ++x, out += 3) {
                const unsigned k = static_cast<unsigned>(x) % per_byte;
                const unsigned index = (in[x / per_byte] >> (8 - L.bpp * (k + 1))) & index_mask;
                // Checked again here as well: the source may have changed since the check.
                if (index >= L.palette_count) reject_index(source, L, index, x, y);
                const Colour c = L.palette[index];
                out[0] = c.b;
                out[1] = c.g;
                out[2] = c.r;
            }
        } else {
            const std::size_t word_bytes = L.bpp / 8;
            for (std::int32_t x = 0; x < shown_w; ++x, out += 3, in += word_bytes) {
                const std::uint32_t word = word_bytes == 2 ? le16(in) : le32(in);
                out[0] = L.blue.level(word);
                out[1] = L.green.level(word);
                out[2] = L.red.level(word);
            }
        }
    }
}

} // namespace

void decode_bmp_onto(ByteSource& source, FrameSurface& surface, const std::function<void()>& between_rows) {
    const Layout layout = read_layout(source);
    if (layout.bpp <= 8) check_palette_indices(source, layout, shown_part(layout, surface), between_rows);
    surface.erase_to_background();
    put_pixels(source, layout, surface, between_rows); // over a surface the erase noted as changed throughout
}

} // namespace wiper
