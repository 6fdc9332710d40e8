#include "imaging/frame_files.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/bmp_reader.h"
#include "imaging/bmp_writer.h"
#include "imaging/surface_steps.h"

namespace wiper {

namespace {

// Two changed spans this close in the file are written as one: the bytes
// between them cost less to write again than one more system call.
// benchmarks/run_workload.py measures where that lies.
constexpr std::uint64_t merge_gap = 16384;

std::uint64_t own_file_size(const FrameSurface& surface) { return bmp_header_size + surface.byte_count(); }

// Our writer always leaves the row padding zero; a file that holds other bytes
// there must not survive into a save, which would then differ from a whole write.
void zero_row_padding(FrameSurface& surface) {
    const std::size_t used = 3 * static_cast<std::size_t>(surface.width());
    const std::size_t pad = surface.stride() - used;
    if (pad == 0) return;
    for (std::int32_t y = 0; y < surface.height(); ++y) {
        const std::uint8_t* tail = surface.row(y) + used;
        if (std::any_of(tail, tail + pad, [](std::uint8_t b) { return b != 0; }))
            std::memset(surface.row_for_write(y, used, surface.stride()).data(), 0, pad);
    }
}

// Polygons are kept packed: the point count, then each point as its step from
// the one before (the first from 0, 0), every number zigzag-coded in groups of
// 7 bits. Neighbouring points of an outline lie close together, so a point
// mostly takes 2 bytes rather than 8.
void put_number(std::vector<std::uint8_t>& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<std::uint8_t>(v | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<std::uint8_t>(v));
}

std::uint64_t zigzag(std::int64_t v) { return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63); }

void pack_polygon(std::span<const screen_point> points, std::vector<std::uint8_t>& out) {
    put_number(out, points.size());
    std::int64_t x = 0, y = 0;
    for (const screen_point& p : points) {
        put_number(out, zigzag(std::int64_t{p.x} - x));
        put_number(out, zigzag(std::int64_t{p.y} - y));
        x = p.x;
        y = p.y;
    }
}

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

void unpack_polygon(const std::vector<std::uint8_t>& in, std::size_t& at, std::vector<screen_point>& points) {
    points.resize(take_number(in, at));
    std::int64_t x = 0, y = 0;
    for (screen_point& p : points) {
        x += unzigzag(take_number(in, at));
        y += unzigzag(take_number(in, at));
        p = screen_point{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
    }
}

} // namespace

void FrameFiles::start_from_white(FrameSurface& surface, std::int64_t n) {
    in_place_.reset();
    clear_to_white(surface);
    current_ = n;
    start_ = Start::white;
}

void FrameFiles::load_background(FrameSurface& surface, const std::string& path, std::int64_t n) {
    current_ = n;
    start_ = Start::read;
    in_place_.reset();
    opened_ = {};
    // Opened for writing first, so that what is checked is what will be
    // written: a file put in its place later is never written through this handle.
    if (std::optional<files::WriteFile> file = files::WriteFile::open_existing(path)) {
        const files::Identity id = file->identity();
        if (rewritable_in_place(id)) {
            opened_ = id;
            in_place_ = std::move(file);
        }
    }
    const Frame* f = frame(n, false);
    if (in_place_ && f && f->from_white && opened_ == f->left) {
        rebuild(surface, *f);
        start_ = Start::rebuilt;
        return;
    }

    InputFile file(path);
    const auto header = bmp_header(surface.width(), surface.height());
    bool own = file.size() == own_file_size(surface);
    if (own) {
        std::array<std::uint8_t, bmp_header_size> found{};
        file.read_at(0, found);
        own = found == header;
    }
    if (own) {
        file.read_at(bmp_header_size, surface.bytes_for_overwrite());
        file.close();
        surface.forget_changes();
        zero_row_padding(surface);
    } else {
        decode_bmp_onto(file, surface, between_rows_);
        file.close();
        in_place_.reset(); // another format: only a whole save makes it ours
    }
}

// The same steps the frame was drawn with, so the same bytes: the file holds
// them already, so none of it is a change.
void FrameFiles::rebuild(FrameSurface& surface, const Frame& f) {
    clear_to_white(surface);
    set_ink_black(surface);
    for (std::size_t at = 0; at < f.drawn.size();) {
        unpack_polygon(f.drawn, at, points_);
        draw_polygon(surface, points_, scratch_);
    }
    surface.forget_changes();
}

void FrameFiles::save(FrameSurface& surface, const std::string& path, std::int64_t n,
                      std::span<const screen_point> polygon) {
    const Start start = current_ == n ? start_ : Start::unknown;
    current_ = 0;
    start_ = Start::unknown;
    Frame* f = frame(n, true);
    const files::Identity left = f ? f->left : files::Identity{};

    std::optional<files::Identity> now;
    if (in_place_ && start != Start::unknown) {
        collect_runs(surface);
        now = overwrite_in_place(path, *in_place_, opened_, left, bmp_header_size, surface.bytes(), runs_);
    }
    in_place_.reset(); // Windows replaces no file that is held open
    if (!now) now = replace_file(path, bmp_header(surface.width(), surface.height()), surface.bytes(), left);
    surface.forget_changes();
    if (!f) return;

    f->left = *now;
    if (start == Start::white) {
        forget(*f);
        f->from_white = true;
    } else if (start != Start::rebuilt) {
        forget(*f); // started from a file someone else may have written
    }
    if (f->from_white) record(*f, polygon);
}

// Frame n's record; with `add`, a new one for the frame after the last
// recorded, while memory allows.
FrameFiles::Frame* FrameFiles::frame(std::int64_t n, bool add) {
    if (n >= 1 && static_cast<std::uint64_t>(n) <= frames_.size()) return &frames_[static_cast<std::size_t>(n - 1)];
    if (!add || static_cast<std::uint64_t>(n) != frames_.size() + 1 || used_ + sizeof(Frame) > memory_) return nullptr;
    used_ += sizeof(Frame);
    return &frames_.emplace_back();
}

void FrameFiles::record(Frame& f, std::span<const screen_point> polygon) {
    if (polygon.size() < 2) return; // draws nothing
    packed_.clear();
    pack_polygon(polygon, packed_);
    const std::size_t size = f.drawn.size() + packed_.size();
    const std::size_t grown = std::max(size, f.drawn.capacity());
    if (used_ - f.drawn.capacity() + grown > memory_) {
        forget(f);
        return;
    }
    used_ -= f.drawn.capacity();
    f.drawn.reserve(size);
    f.drawn.insert(f.drawn.end(), packed_.begin(), packed_.end());
    used_ += f.drawn.capacity();
}

void FrameFiles::forget(Frame& f) {
    used_ -= f.drawn.capacity();
    std::vector<std::uint8_t>().swap(f.drawn);
    f.from_white = false;
}

// The changed bytes in file order (the bottom row first), neighbours merged.
void FrameFiles::collect_runs(const FrameSurface& surface) {
    runs_.clear();
    const RowRange rows = surface.changed_rows();
    for (std::int32_t y = rows.bottom; y >= rows.top; --y) {
        const RowSpan span = surface.changed_span(y);
        if (span.empty()) continue;
        const std::uint64_t begin = surface.row_offset(y) + span.begin;
        const std::uint64_t end = surface.row_offset(y) + span.end;
        if (!runs_.empty() && begin - (runs_.back().offset + runs_.back().length) <= merge_gap)
            runs_.back().length = end - runs_.back().offset;
        else
            runs_.push_back(ByteRun{begin, end - begin});
    }
}

} // namespace wiper
