#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "field/pixel_mask.h"

namespace wiper {

// A point of the lattice of pixel corners: corner (x, y) is the top-left
// corner of pixel (x, y), so pixel (x, y) is the square between corners
// (x, y) and (x + 1, y + 1).
struct PixelCorner {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const PixelCorner&, const PixelCorner&) = default;
};

// A mask's outline as closed rings along the pixels' edges. Each ring is its
// corners in order, only where it turns: consecutive corners, the last and
// the first included, differ in x or in y alone. With y down, an outer ring
// turns clockwise on screen and a hole counter-clockwise: the set pixels lie
// on the right of every edge, so the rings' signed areas add up to the count
// of set pixels. Pixels that meet only at a corner lie on separate rings.
struct MaskOutline {
    std::vector<PixelCorner> corners;
    std::vector<std::size_t> ring_ends; // ring i is corners [ring_ends[i - 1], ring_ends[i])
};

// Traces every ring of `mask`. The mask is scanned a 64-pixel word at a time,
// and each ring is followed edge by edge, so the work goes with the picture's
// words and the outline's length. `between` is called between rows (a stop
// it throws ends the tracing).
MaskOutline trace_outline(const PixelMask& mask, const std::function<void()>& between = {});

} // namespace wiper
