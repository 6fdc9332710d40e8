#pragma once
#include "imaging/frame_surface.h"

namespace wiper {

// Starts a frame of the first part from white: background and fill white, then
// a rectangle one pixel larger than the surface on every side, whose outline
// therefore falls entirely off the surface.
void clear_to_white(FrameSurface& surface);

// Fill, then pen, black: the only ink a part is ever drawn in.
void set_ink_black(FrameSurface& surface);

} // namespace wiper
