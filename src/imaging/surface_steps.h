#pragma once
#include <cstdint>
#include <span>

#include "common/screen_point.h"
#include "imaging/colour.h"
#include "imaging/frame_surface.h"
#include "imaging/rasterizer.h"

namespace wiper {

// Starts a frame of the first part from white: background and fill white, then
// a rectangle one pixel larger than the surface on every side, whose outline
// therefore falls entirely off the surface.
void clear_to_white(FrameSurface& surface);

// The colours a polygon is drawn in: its inside, then its outline.
struct InkColours {
    Colour fill;
    Colour pen;
    friend bool operator==(const InkColours&, const InkColours&) = default;
};

// Black on black: the only ink a part is ever drawn in.
inline constexpr InkColours part_ink{black, black};

// One step of drawing a frame: a polygon in its ink. Frames are drawn, and
// rebuilt from their record, by draw_operation alone, so a rebuilt frame is
// the frame that was drawn.
struct DrawOperation {
    InkColours ink;
    std::span<const screen_point> polygon;
};

// Sets the surface's fill and pen to the operation's ink (they stay so) and
// draws its polygon, with `scratch` the caller's.
void draw_operation(FrameSurface& surface, const DrawOperation& op, RasterScratch& scratch);

// The polygon through `points` in the surface's fill and pen colours, clipped
// to the surface; the rows it paints are noted as changed. Fewer than 2 points
// draw nothing.
void draw_polygon(FrameSurface& surface, std::span<const screen_point> points, RasterScratch& scratch);

// The rectangle [left, right) x [top, bottom): its border in the pen colour,
// the rest in the fill colour, clipped to the surface.
void draw_rectangle(FrameSurface& surface, std::int32_t left, std::int32_t top, std::int32_t right,
                    std::int32_t bottom);

} // namespace wiper
