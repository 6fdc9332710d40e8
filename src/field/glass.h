#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/screen_point.h"
#include "field/pixel_mask.h"
#include "imaging/rasterizer.h"

namespace wiper {

// The daylight opening of the windscreen, and the border along its edge
// inside which a zone's pixels do not count.
struct Glass {
    std::string name;   // the bare file name
    int border = 0;     // whole pixels, 0 to most_glass_border
    std::vector<screen_point> outline;
};

inline constexpr const char* glass_file_prefix = "glass";
inline constexpr int most_glass_border = 10000;
inline constexpr int most_glass_points = 1000;

// The glass file of `folder`, if there is one (a name beginning with "glass",
// any case; at most one). Read and checked as a zone file is.
std::optional<Glass> read_glass(const std::string& folder, const std::function<void(const std::string&)>& warn,
                                const std::function<void()>& between = {});

// The glass's pixels in `picture` (its outline included, by the zones'
// rules), and of them those counted: whose sample point lies at least
// `border` px from the outline.
struct GlassPixels {
    PixelMask on_glass{0, 0};
    PixelMask counted{0, 0};
};
GlassPixels glass_pixels(const Glass& glass, ClipArea picture);

// Counts the field on the glass: each zone keeps only its counted pixels,
// each wiping part learns how much it wipes off the glass, and the field
// holds the glass (`pixels` from glass_pixels).
struct WipedField;
void count_on_glass(WipedField& field, const Glass& glass, GlassPixels pixels);

} // namespace wiper
