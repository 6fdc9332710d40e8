#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "imaging/file_io.h"
#include "imaging/frame_store.h"

namespace wiper {

// The frames as 24-bit BMP files: the 54-byte header, then the surface's bytes
// as they are (FrameSurface keeps its rows in this file's layout). So a frame
// is saved in one write, or in place by writing back only the bytes that
// changed, and one of its own frame files is read back in one read. Any other
// picture is decoded (see decode_bmp_onto), placed at (0, 0) over the
// background colour and clipped, and saved whole.
class BmpFrameStore final : public FrameStore {
public:
    // `between_rows` is handed to the decoder, so a stop request can end the
    // decoding of a large picture.
    explicit BmpFrameStore(std::function<void()> between_rows = {}) : between_rows_(std::move(between_rows)) {}

    // Opened for reading and rewriting through one handle, when the file is
    // one that may be rewritten in place; otherwise it is opened (read-only)
    // only to be read.
    StoredFrame open(const std::string& path) override;
    void load_background(FrameSurface& surface, StoredFrame& frame) override;
    // The result is always byte for byte that of a whole write, and the file
    // never holds half a frame unless the program is killed while it rewrites
    // one in place.
    files::Identity save(FrameSurface& surface, StoredFrame frame, const files::Identity& left) override;

private:
    std::function<void()> between_rows_;
    std::vector<ByteRun> runs_;
};

// What the frames are called when one cannot be written.
inline constexpr FileDescription frame_file{"the frame file", "the frame"};

// Saves the surface whole as the BMP file `path` (see replace_file), a
// picture that is not a frame: `what` says what it is.
// `between_pieces` as replace_file takes it: a stop it throws abandons the
// new file and leaves the old one as it was.
files::Identity save_bmp(const FrameSurface& surface, const std::string& path, const FileDescription& what,
                         const std::function<void()>& between_pieces = {});

// Makes row y (0 the top) of a picture that is saved as it is made: every
// one of the 3 x width bytes of `pixels`, as fill_bmp_pixels lays them out.
using BmpRowMaker = std::function<void(std::int32_t y, std::span<std::uint8_t> pixels)>;

// save_bmp for a width x height picture that is never held whole: its rows
// are made by `make_row` a few at a time, in the file's order (the bottom row
// first), as they are written. Throws invalid size as FrameSurface::set_size.
files::Identity save_bmp_rows(std::int32_t width, std::int32_t height, const BmpRowMaker& make_row,
                              const std::string& path, const FileDescription& what,
                              const std::function<void()>& between_pieces = {});

} // namespace wiper
