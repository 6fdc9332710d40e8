#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "common/screen_point.h"
#include "imaging/draw_record.h"
#include "imaging/frame_store.h"
#include "imaging/frame_surface.h"
#include "imaging/rasterizer.h"
#include "imaging/surface_steps.h"

namespace wiper {

// The most memory the record of drawn polygons takes unless a run is told otherwise.
inline constexpr std::uint64_t default_rebuild_memory = std::uint64_t{64} << 20;

// A frame being drawn, from its beginning (FrameFiles::begin_from_white or
// begin_from_file) until FrameFiles::save takes it: the surface it is drawn
// on, how it began, the stored frame it came from, and what was drawn on it.
class FrameInProgress {
public:
    // Draws `op` on the frame's surface, with the caller's `scratch`, and
    // keeps it for the frame's record.
    void draw(const DrawOperation& op, RasterScratch& scratch);

private:
    friend class FrameFiles;
    enum class Start { white, rebuilt, read };
    FrameInProgress(FrameSurface& surface, std::int64_t n, Start start, StoredFrame stored, DrawRecord drawn)
        : surface_(&surface), n_(n), start_(start), stored_(std::move(stored)), drawn_(std::move(drawn)) {}

    FrameSurface* surface_;
    std::int64_t n_;
    Start start_;
    StoredFrame stored_;
    DrawRecord drawn_; // since the beginning
};

// Which frames to rebuild rather than read, and what to write back.
//
// For every frame this run saves it remembers the file as the run left it, and
// the operations drawn into it since the run began it from white. A later part
// that finds the file still exactly so rebuilds the frame in memory (white,
// then those operations again, by draw_operation) instead of reading it back;
// any other file is read. Either way, saving over the file it came from
// writes only the bytes drawn since, in place: the rest of the file already
// holds exactly those bytes.
class FrameFiles {
public:
    // `store` keeps the frames; `rebuild_memory` is the most the record may
    // take: a frame whose operations no longer fit is forgotten and read back
    // like any other file.
    explicit FrameFiles(FrameStore& store, std::uint64_t rebuild_memory = default_rebuild_memory)
        : store_(store), memory_(rebuild_memory) {}

    // Frame n of the first part, to be saved at `path`: the surface cleared to white.
    FrameInProgress begin_from_white(FrameSurface& surface, const std::string& path, std::int64_t n);

    // Frame n of a later part: the frame stored at `path` as the surface's
    // background, rebuilt when the file is still the one this run left there
    // after beginning the frame from white, read otherwise.
    FrameInProgress begin_from_file(FrameSurface& surface, const std::string& path, std::int64_t n);

    // Writes the frame's surface back where it began (see FrameStore::save)
    // and records what was drawn on it.
    void save(FrameInProgress frame);

private:
    struct Frame {
        files::Identity left;    // the file as this run last left it
        DrawRecord drawn;        // the operations drawn into it since white
        bool from_white = false; // white and `drawn` are all the file holds
    };

    Frame* frame_at(std::int64_t n, bool add);
    void forget(Frame& f);
    DrawRecord spare();

    FrameStore& store_;
    RecordMemory memory_;      // of frames_ and their operations
    std::deque<Frame> frames_; // frame n at n - 1

    RasterScratch scratch_;           // for rebuilding
    std::vector<screen_point> points_;
    DrawRecord spare_; // handed to the next frame to begin, for what it draws
};

} // namespace wiper
