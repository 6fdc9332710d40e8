#pragma once
#include <functional>
#include <string>
#include <vector>

#include "common/hooks.h"
#include "field/wiped_field.h"

namespace wiper {

// Saves the wiped field as an SVG at `path`, as safely as its BMP picture:
// each region as pixel-exact paths whose areas are its counts, the zone and
// glass outlines through their own vertices, labels and a legend.
void save_field_vector(const WipedField& field, const std::vector<Zone>& zones, const std::string& path,
                       const Hooks& hooks);

// A region's path data: the rings of `mask` (see trace_outline) along the
// pixels' edges, each an absolute M, then H and V where it turns, then Z, in
// user units where pixel (x, y) is the unit square centred on (x, y).
// `between` as trace_outline takes it.
std::string region_path(const PixelMask& mask, const std::function<void()>& between = {});

} // namespace wiper
