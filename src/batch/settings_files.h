#pragma once
#include <string>

#include "common/module1.h"
#include "geometry/poses.h"

namespace wiper {

inline constexpr const char* image_settings_file = "immagini.txt";
inline constexpr const char* blade_turn_file = "rotazione_spazzole.txt";

// Reads image_name, image_width and image_height from the image settings file in
// `folder`. Anything after the three fields is not read. A name that would put
// frame files outside buffer/ (empty, ".", "..", or holding "/", "\" or NUL) is
// an invalid image name.
void read_image_settings(Module1& m, const std::string& folder);

// Reads the two blade turn angles, in degrees. Anything after them is not read.
BladeTurns read_blade_turns(const std::string& folder);

// Where frame n of the run lives: folder/buffer/<image_name>_<n>.bmp.
std::string frame_file_path(const std::string& folder, const std::string& image_name, std::int64_t n);

} // namespace wiper
