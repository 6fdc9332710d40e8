#include "imaging/frame_files.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/bmp_reader.h"
#include "imaging/bmp_writer.h"

namespace wiper {

namespace {

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

} // namespace

void FrameFiles::load_background(FrameSurface& surface, const std::string& path) {
    synced_path_.clear();
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
        remember(path);
    } else {
        decode_bmp_onto(file, surface);
        file.close();
    }
}

void FrameFiles::save(FrameSurface& surface, const std::string& path) {
    const RowRange changed = surface.changed_rows();
    bool written = false;
    if (!synced_path_.empty() && synced_path_ == path) {
        // Device rows top..bottom are stored bottom-up, so they form one
        // contiguous block that starts with the bottom row.
        std::span<const std::uint8_t> rows;
        std::size_t first = 0;
        if (!changed.empty()) {
            first = surface.row_offset(changed.bottom);
            const std::size_t length = static_cast<std::size_t>(changed.bottom - changed.top + 1) * surface.stride();
            rows = surface.bytes().subspan(first, length);
        }
        written = overwrite_in_place(path, synced_stamp_, bmp_header_size + first, rows);
    }
    if (!written) {
        const auto header = bmp_header(surface.width(), surface.height());
        replace_file(path, header, surface.bytes());
    }
    surface.forget_changes();
    remember(path);
}

void FrameFiles::remember(const std::string& path) {
    synced_stamp_ = stamp_of(path);
    synced_path_ = synced_stamp_.exists ? path : std::string();
}

} // namespace wiper
