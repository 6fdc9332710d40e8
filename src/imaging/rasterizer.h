#pragma once
#include <cstdint>
#include <span>

#include "common/screen_point.h"
#include "imaging/frame_surface.h"

namespace wiper {

// Filled closed polygon through all of `points` (the last joined back to the
// first): interior by the even-odd rule in the surface's fill colour, then a
// 1-pixel outline in its pen colour. Clipped to the surface; any 32-bit
// coordinates are safe. Fewer than 2 points draw nothing. Notes the rows it
// touched on the surface.
void draw_polygon(FrameSurface& surface, std::span<const screen_point> points);

// Filled rectangle over [left, right) x [top, bottom): the pixels on its border
// in the pen colour, the rest in the fill colour. Clipped to the surface.
void draw_rectangle(FrameSurface& surface, std::int32_t left, std::int32_t top, std::int32_t right,
                    std::int32_t bottom);

} // namespace wiper
