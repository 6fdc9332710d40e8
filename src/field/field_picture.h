#pragma once
#include <string>
#include <vector>

#include "common/hooks.h"
#include "field/wiped_field.h"
#include "imaging/colour.h"

namespace wiper {

// The picture's colours (see "The wiped field" in the README for the legend).
inline constexpr Colour field_unwiped = white;
inline constexpr Colour field_wiped_once{150, 200, 255};   // light blue: one part wipes it
inline constexpr Colour field_wiped_twice{30, 80, 190};    // dark blue: two or more do
inline constexpr Colour field_zone_unwiped{230, 40, 40};   // red: inside a zone, not wiped
inline constexpr Colour field_zone_outline = black;
inline constexpr Colour field_glass_edge{128, 128, 128};   // grey: the glass's outline and its counted area's edge

// Saves the wiped field as a 24-bit BMP of the picture's size at `path`, as
// safely as a frame is saved (a new file renamed over the old; a link is
// replaced, never written through; a read-only file is refused). Each zone's
// outline is drawn over it, 1 pixel wide. A stop request is looked for as the
// picture is painted and written: a stop leaves the file at `path` as it was.
void save_field_picture(const WipedField& field, const std::vector<Zone>& zones, const std::string& path,
                        const Hooks& hooks);

} // namespace wiper
