#include "imaging/draw_record.h"

#include <algorithm>
#include <new>

namespace wiper {

// An operation is packed as its point count, then each point as its step from
// the one before (the first from 0, 0), every number zigzag-coded in groups of
// 7 bits. An ink other than the parts' own goes first: a 0 where the count
// would be (no operation of fewer than 2 points is kept), then the fill and
// pen colours, 3 bytes each. A part's polygon takes no byte for its ink.

namespace {

void put_number(std::vector<std::uint8_t>& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<std::uint8_t>(v | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<std::uint8_t>(v));
}

std::uint64_t zigzag(std::int64_t v) { return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63); }

// The record is this program's own writing, read back from memory: each
// number is taken whole, and nothing past the end is ever looked at.
std::uint64_t take_number(const std::vector<std::uint8_t>& in, std::size_t& at) {
    std::uint64_t v = 0;
    for (unsigned shift = 0; at < in.size(); shift += 7) {
        const std::uint8_t b = in[at++];
        v |= std::uint64_t{b & 0x7Fu} << shift;
        if ((b & 0x80) == 0) break;
    }
    return v;
}

std::int64_t unzigzag(std::uint64_t v) { return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1); }

Colour take_colour(const std::vector<std::uint8_t>& in, std::size_t& at) {
    Colour c;
    for (std::uint8_t* channel : {&c.r, &c.g, &c.b}) *channel = at < in.size() ? in[at++] : 0;
    return c;
}

// The most bytes an operation of `points` points packs into.
std::size_t most_packed_bytes(std::size_t points) { return 7 + 10 * (1 + 2 * points); }

} // namespace

Failure record_out_of_memory(const std::string& asked) {
    return Failure(FailureKind::out_of_memory,
                   "the record of polygons " + asked + "; a smaller --rebuild-memory needs less");
}

void DrawRecord::add(const DrawOperation& op) {
    if (op.polygon.size() < 2) return; // draws nothing
    // Grown here rather than by each byte's push_back, so that memory that
    // cannot be had is known, and said, by its size.
    const std::size_t needed = bytes_.size() + most_packed_bytes(op.polygon.size());
    if (needed > bytes_.capacity()) {
        const std::size_t grown = std::max(needed, 2 * bytes_.capacity());
        try {
            bytes_.reserve(grown);
        } catch (const std::bad_alloc&) {
            throw record_out_of_memory("of a frame needs " + std::to_string(grown) + " bytes");
        }
    }
    if (op.ink != part_ink) {
        bytes_.push_back(0);
        for (const Colour c : {op.ink.fill, op.ink.pen}) bytes_.insert(bytes_.end(), {c.r, c.g, c.b});
    }
    put_number(bytes_, op.polygon.size());
    std::int64_t x = 0, y = 0;
    for (const screen_point& p : op.polygon) {
        put_number(bytes_, zigzag(std::int64_t{p.x} - x));
        put_number(bytes_, zigzag(std::int64_t{p.y} - y));
        x = p.x;
        y = p.y;
    }
}

bool DrawRecord::append(const DrawRecord& more, RecordMemory& memory) {
    const std::size_t size = bytes_.size() + more.bytes_.size();
    const std::size_t grown = std::max(size, bytes_.capacity());
    if (!memory.fits(grown - bytes_.capacity())) return false;
    memory.give_back(bytes_.capacity());
    try {
        bytes_.reserve(size);
    } catch (const std::bad_alloc&) {
        throw record_out_of_memory("of a frame needs " + std::to_string(size) + " bytes");
    }
    bytes_.insert(bytes_.end(), more.bytes_.begin(), more.bytes_.end());
    memory.take(bytes_.capacity());
    return true;
}

void DrawRecord::release(RecordMemory& memory) {
    memory.give_back(bytes_.capacity());
    std::vector<std::uint8_t>().swap(bytes_);
}

DrawOperation DrawRecord::unpack(std::size_t& at, std::vector<screen_point>& points) const {
    DrawOperation op{part_ink, {}};
    std::uint64_t count = take_number(bytes_, at);
    if (count == 0) {
        op.ink.fill = take_colour(bytes_, at);
        op.ink.pen = take_colour(bytes_, at);
        count = take_number(bytes_, at);
    }
    points.resize(count);
    std::int64_t x = 0, y = 0;
    for (screen_point& p : points) {
        x += unzigzag(take_number(bytes_, at));
        y += unzigzag(take_number(bytes_, at));
        p = screen_point{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
    }
    op.polygon = points;
    return op;
}

} // namespace wiper
