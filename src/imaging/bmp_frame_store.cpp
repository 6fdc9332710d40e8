#include "imaging/bmp_frame_store.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "common/failure.h"
#include "imaging/bmp_reader.h"
#include "imaging/bmp_writer.h"

namespace wiper {

namespace {

// Two changed spans this close in the file are written as one: the bytes
// between them cost less to write again than one more system call.
// benchmarks/run_workload.py measures where that lies.
constexpr std::uint64_t merge_gap = 16384;

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

// The changed bytes in file order (the bottom row first), neighbours merged.
void collect_runs(const FrameSurface& surface, std::vector<ByteRun>& runs) {
    runs.clear();
    const RowRange rows = surface.changed_rows();
    for (std::int32_t y = rows.bottom; y >= rows.top; --y) {
        const RowSpan span = surface.changed_span(y);
        if (span.empty()) continue;
        const std::uint64_t begin = surface.row_offset(y) + span.begin;
        const std::uint64_t end = surface.row_offset(y) + span.end;
        if (!runs.empty() && begin - (runs.back().offset + runs.back().length) <= merge_gap)
            runs.back().length = end - runs.back().offset;
        else
            runs.push_back(ByteRun{begin, end - begin});
    }
}

// The surface as one whole BMP file, through a hidden file renamed over `path`.
files::Identity save_whole(const FrameSurface& surface, const std::string& path, const FileDescription& what,
                           const files::Identity& left, const std::function<void()>& between_pieces = {}) {
    return replace_file(path, bmp_header(surface.width(), surface.height()), surface.bytes(), what, left, {},
                        between_pieces);
}

} // namespace

StoredFrame BmpFrameStore::open(const std::string& path) {
    StoredFrame frame{path, std::nullopt, {}};
    // Opened for writing first, so that what is checked is what will be
    // written: a file put in its place later is never written through this
    // handle. One that may not be rewritten in place is closed here, before
    // it is opened again to be read.
    if (std::optional<files::WriteFile> file = files::WriteFile::open_existing(path)) {
        const files::Identity id = file->identity();
        if (rewritable_in_place(id)) {
            frame.opened = id;
            frame.in_place = std::move(file);
        }
    }
    return frame;
}

void BmpFrameStore::load_background(FrameSurface& surface, StoredFrame& frame) {
    // Through the handle that will write it back, where there is one: a frame
    // read and saved takes one descriptor.
    std::optional<InputFile> file;
    if (frame.in_place)
        file.emplace(*frame.in_place, frame.path, frame.opened.size);
    else
        file.emplace(frame.path);
    const auto header = bmp_header(surface.width(), surface.height());
    bool own = file->size() == bmp_header_size + surface.byte_count();
    if (own) {
        std::array<std::uint8_t, bmp_header_size> found{};
        file->read_at(0, found);
        own = found == header;
    }
    if (own) {
        file->read_at(bmp_header_size, surface.bytes_for_overwrite());
        file->close();
        surface.forget_changes();
        zero_row_padding(surface);
    } else {
        decode_bmp_onto(*file, surface, between_rows_);
        file->close();
        frame.in_place.reset(); // another layout: only a whole save makes it ours
    }
}

files::Identity BmpFrameStore::save(FrameSurface& surface, StoredFrame frame, const files::Identity& left) {
    std::optional<files::Identity> now;
    if (frame.in_place) {
        collect_runs(surface, runs_);
        now = overwrite_in_place(frame.path, *frame.in_place, frame.opened, left, bmp_header_size, surface.bytes(),
                                 runs_, frame_file);
    }
    frame.in_place.reset(); // Windows replaces no file that is held open
    if (!now) now = save_whole(surface, frame.path, frame_file, left);
    surface.forget_changes();
    return *now;
}

files::Identity save_bmp(const FrameSurface& surface, const std::string& path, const FileDescription& what,
                         const std::function<void()>& between_pieces) {
    return save_whole(surface, path, what, {}, between_pieces);
}

files::Identity save_bmp_rows(std::int32_t width, std::int32_t height, const BmpRowMaker& make_row,
                              const std::string& path, const FileDescription& what,
                              const std::function<void()>& between_pieces) {
    FrameSurface::check_size(width, height);
    const std::size_t stride = bmp_stride(width);
    const std::size_t used = 3 * static_cast<std::size_t>(width);
    // Whole rows, about as many bytes as a whole save writes at a time.
    const std::size_t rows_a_piece = std::max<std::size_t>(1, (std::size_t{256} << 10) / stride);
    std::vector<std::uint8_t> piece;
    try {
        piece.assign(rows_a_piece * stride, 0); // the padding stays zero
    } catch (const std::bad_alloc&) {
        throw Failure(FailureKind::out_of_memory, std::string(what.content) + " of " + std::to_string(width) +
                                                      " x " + std::to_string(height) + " pixels needs " +
                                                      std::to_string(rows_a_piece * stride) + " bytes to be written");
    }
    std::int32_t next_row = height - 1;
    const BodyPieces body{static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height), [&] {
                              const std::size_t rows =
                                  std::min(rows_a_piece, static_cast<std::size_t>(next_row) + 1);
                              for (std::size_t i = 0; i < rows; ++i, --next_row)
                                  make_row(next_row, std::span<std::uint8_t>(piece.data() + i * stride, used));
                              return std::span<const std::uint8_t>(piece.data(), rows * stride);
                          }};
    return replace_file(path, bmp_header(width, height), body, what, {}, {}, between_pieces);
}

} // namespace wiper
