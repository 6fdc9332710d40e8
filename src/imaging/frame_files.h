#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/screen_point.h"
#include "imaging/file_io.h"
#include "imaging/frame_surface.h"
#include "imaging/rasterizer.h"

namespace wiper {

// The most memory the record of drawn polygons takes unless a run is told otherwise.
inline constexpr std::uint64_t default_rebuild_memory = std::uint64_t{64} << 20;

// Reads frame files onto the surface and writes the surface back.
//
// For every frame this run saves it remembers the file as the run left it, and
// the polygons drawn into it since the run started it from white. A later part
// that finds the file still exactly so rebuilds the frame in memory (white,
// then those polygons again, by the same rasterizer) instead of reading it
// back; any other file is read. Either way, saving over the file it came from
// writes only the bytes drawn since, in place: the rest of the file already
// holds exactly those bytes.
class FrameFiles {
public:
    // `rebuild_memory`: the most the record may take. A frame whose polygons
    // no longer fit is forgotten and read back like any other file.
    // `between_rows` is handed to the decoder (see decode_bmp_onto), so a stop
    // request can end the decoding of a large picture.
    explicit FrameFiles(std::uint64_t rebuild_memory = default_rebuild_memory, std::function<void()> between_rows = {})
        : memory_(rebuild_memory), between_rows_(std::move(between_rows)) {}

    // Frame n of the first part: the surface cleared to white.
    void start_from_white(FrameSurface& surface, std::int64_t n);

    // Frame n of a later part: the BMP at `path` as the surface's background.
    // Rebuilt when `path` is still the file this run left there after
    // starting the frame from white; otherwise read as it is: one of our own
    // frame files of the surface's size in one block, any other picture
    // decoded, placed at (0, 0) over the background colour and clipped.
    void load_background(FrameSurface& surface, const std::string& path, std::int64_t n);

    // Writes the whole surface to `path` as frame n, a 24-bit BMP, `polygon`
    // being what was drawn on it since it was started or loaded. The result is
    // always byte for byte that of a whole write, and `path` never holds half
    // a frame unless the program is killed while it rewrites one in place.
    void save(FrameSurface& surface, const std::string& path, std::int64_t n, std::span<const screen_point> polygon);

private:
    struct Frame {
        files::Identity left;            // the file as this run last left it
        std::vector<std::uint8_t> drawn; // the polygons drawn into it since white, packed
        bool from_white = false;         // white and `drawn` are all the file holds
    };
    enum class Start { unknown, white, rebuilt, read };

    Frame* frame(std::int64_t n, bool add);
    void rebuild(FrameSurface& surface, const Frame& f);
    void record(Frame& f, std::span<const screen_point> polygon);
    void forget(Frame& f);
    void collect_runs(const FrameSurface& surface);

    std::uint64_t memory_;
    std::function<void()> between_rows_;
    std::uint64_t used_ = 0; // by frames_ and their polygons
    std::deque<Frame> frames_; // frame n at n - 1

    // The frame being drawn, from its start or load until it is saved.
    std::int64_t current_ = 0;
    Start start_ = Start::unknown;
    std::optional<files::WriteFile> in_place_; // the file it came from, open for rewriting
    files::Identity opened_;                  // and what that file was when opened

    RasterScratch scratch_;
    std::vector<screen_point> points_;
    std::vector<std::uint8_t> packed_;
    std::vector<ByteRun> runs_;
};

} // namespace wiper
