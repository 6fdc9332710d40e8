#pragma once
#include <optional>
#include <string>

#include "imaging/frame_surface.h"
#include "platform/files.h"

namespace wiper {

// A stored frame that a later part draws over, held from its opening until it
// is saved.
struct StoredFrame {
    std::string path;
    // The file, open for reading and for rewriting in place, and what it was
    // when opened; empty where it cannot be rewritten in place (a link, a
    // file this run may not write, another layout), so it is saved whole.
    std::optional<files::WriteFile> in_place;
    files::Identity opened;
};

// Where frames are kept from one part to the next.
class FrameStore {
public:
    virtual ~FrameStore() = default;

    // The frame at `path`, opened for a later part: what is there, so that
    // the caller can tell whether its record still describes it.
    virtual StoredFrame open(const std::string& path) = 0;

    // Reads `frame` onto the surface as its background; the surface then
    // counts as matching the file. A picture it cannot save back in place
    // lets go of `frame.in_place`.
    virtual void load_background(FrameSurface& surface, StoredFrame& frame) = 0;

    // Writes the surface as `frame` and returns what the file is afterwards.
    // Through `frame.in_place`, while it is still the file opened, only the
    // bytes changed since the surface last matched the file are written;
    // otherwise the file is replaced whole. `left` is the file this run last
    // left there (see replace_file). The surface then matches the file.
    virtual files::Identity save(FrameSurface& surface, StoredFrame frame, const files::Identity& left) = 0;
};

} // namespace wiper
