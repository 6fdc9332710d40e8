#include "imaging/surface_steps.h"

#include <cmath>

namespace wiper {

void clear_to_white(FrameSurface& surface) {
    surface.set_background(white);
    surface.set_fill(white);
    // The size is read back as single precision plus 1.0, rounded half to even;
    // every accepted side is exact in a float, so this is simply side + 1.
    const auto bottom = static_cast<std::int32_t>(std::nearbyint(static_cast<float>(surface.height()) + 1.0f));
    const auto right = static_cast<std::int32_t>(std::nearbyint(static_cast<float>(surface.width()) + 1.0f));
    draw_rectangle(surface, -1, -1, right, bottom);
}

void draw_operation(FrameSurface& surface, const DrawOperation& op, RasterScratch& scratch) {
    surface.set_fill(op.ink.fill);
    surface.set_pen(op.ink.pen);
    draw_polygon(surface, op.polygon, scratch);
}

void draw_polygon(FrameSurface& surface, std::span<const screen_point> points, RasterScratch& scratch) {
    rasterize_polygon(points, surface.clip_area(), scratch, surface);
}

void draw_rectangle(FrameSurface& surface, std::int32_t left, std::int32_t top, std::int32_t right,
                    std::int32_t bottom) {
    rasterize_rectangle(left, top, right, bottom, surface.clip_area(), surface);
}

} // namespace wiper
