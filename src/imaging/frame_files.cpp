#include "imaging/frame_files.h"

#include <new>
#include <string>

namespace wiper {

void FrameInProgress::draw(const DrawOperation& op, RasterScratch& scratch) {
    draw_operation(*surface_, op, scratch);
    drawn_.add(op);
}

FrameInProgress FrameFiles::begin_from_white(FrameSurface& surface, const std::string& path, std::int64_t n) {
    clear_to_white(surface);
    return FrameInProgress(surface, n, FrameInProgress::Start::white, StoredFrame{path, std::nullopt, {}}, spare());
}

FrameInProgress FrameFiles::begin_from_file(FrameSurface& surface, const std::string& path, std::int64_t n) {
    StoredFrame stored = store_.open(path);
    const Frame* f = frame_at(n, false);
    if (!(stored.in_place && f && f->from_white && stored.opened == f->left)) {
        store_.load_background(surface, stored);
        return FrameInProgress(surface, n, FrameInProgress::Start::read, std::move(stored), spare());
    }
    // The same steps the frame was drawn with, so the same bytes: the file
    // holds them already, so none of it is a change.
    clear_to_white(surface);
    for (std::size_t at = 0; at < f->drawn.size();) draw_operation(surface, f->drawn.unpack(at, points_), scratch_);
    surface.forget_changes();
    return FrameInProgress(surface, n, FrameInProgress::Start::rebuilt, std::move(stored), spare());
}

void FrameFiles::save(FrameInProgress frame) {
    Frame* f = frame_at(frame.n_, true);
    const files::Identity now = store_.save(*frame.surface_, std::move(frame.stored_), f ? f->left : files::Identity{});
    if (f) {
        f->left = now;
        // Begun from white, the record begins again; read, the file may
        // hold what someone else wrote.
        if (frame.start_ != FrameInProgress::Start::rebuilt) forget(*f);
        if (frame.start_ == FrameInProgress::Start::white) f->from_white = true;
        if (f->from_white && !frame.drawn_.empty() && !f->drawn.append(frame.drawn_, memory_)) forget(*f);
    }
    spare_ = std::move(frame.drawn_);
}

// Frame n's record; with `add`, a new one for the frame after the last
// recorded, while memory allows.
FrameFiles::Frame* FrameFiles::frame_at(std::int64_t n, bool add) {
    if (n >= 1 && static_cast<std::uint64_t>(n) <= frames_.size()) return &frames_[static_cast<std::size_t>(n - 1)];
    if (!add || static_cast<std::uint64_t>(n) != frames_.size() + 1 || !memory_.fits(sizeof(Frame))) return nullptr;
    Frame* added = nullptr;
    try {
        added = &frames_.emplace_back();
    } catch (const std::bad_alloc&) {
        throw record_out_of_memory("cannot take frame " + std::to_string(n));
    }
    memory_.take(sizeof(Frame));
    return added;
}

void FrameFiles::forget(Frame& f) {
    f.drawn.release(memory_);
    f.from_white = false;
}

DrawRecord FrameFiles::spare() {
    DrawRecord drawn = std::move(spare_);
    drawn.clear();
    return drawn;
}

} // namespace wiper
