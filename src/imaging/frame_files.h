#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "imaging/file_io.h"
#include "imaging/frame_surface.h"

namespace wiper {

// Reads frame files onto the surface and writes the surface back. It remembers
// which of our own frame files the surface was last loaded from or saved to, so
// that saving over that file writes only the rows drawn since: the rest of the
// file already holds exactly those bytes.
class FrameFiles {
public:
    FrameFiles() = default;
    // `between_rows` is handed to the decoder (see decode_bmp_onto), so a stop
    // request can end the decoding of a large picture.
    explicit FrameFiles(std::function<void()> between_rows) : between_rows_(std::move(between_rows)) {}

    // Makes the BMP at `path` the surface's picture. One of our own frame files
    // of the surface's size is read in one block; any other picture is decoded,
    // placed at (0, 0) over the background colour and clipped.
    void load_background(FrameSurface& surface, const std::string& path);

    // Writes the whole surface to `path` as a 24-bit BMP. The result is always
    // byte for byte that of a whole write, and `path` never holds half a frame.
    void save(FrameSurface& surface, const std::string& path);

private:
    void remember(const std::string& path);

    std::function<void()> between_rows_;
    std::string synced_path_;
    files::Identity synced_stamp_;
    // Every frame file this run saved, as it left it: such a file is never
    // refused as read-only, since its mode came from the umask.
    std::set<std::tuple<std::uint64_t, std::uint64_t, std::int64_t, std::uint32_t>> written_;
};

} // namespace wiper
