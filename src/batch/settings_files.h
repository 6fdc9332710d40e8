#pragma once
#include <string>

#include "common/module1.h"
#include "geometry/poses.h"

namespace wiper {

inline constexpr const char* image_settings_file = "immagini.txt";
inline constexpr const char* blade_turn_file = "rotazione_spazzole.txt";

// Reads image_name, image_width and image_height from the image settings file in
// `folder`. Anything after the three fields is not read. A name that
// image_name_fault refuses is an invalid image name.
void read_image_settings(Module1& m, const std::string& folder);

// Why `name` cannot prefix frame files, or empty when it can. Refused: a name
// that would put frame files outside buffer/ (empty, ".", "..", or holding "/"
// or "\"); one holding a control character (NUL included, and the C1
// controls) or a character that disguises a name (is_disguising_character),
// which garble listings and reports; and, on every platform so that a folder
// renders the same everywhere, one that cannot name a file on Windows: holding
// < > : " | ? *,
// a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, any case, with
// or without an extension), or ending in a dot or a space.
std::string image_name_fault(const std::string& name);

// Reads the two blade turn angles, in degrees. Anything after them is not read.
BladeTurns read_blade_turns(const std::string& folder);

// Where frame n of the run lives: folder/buffer/<image_name>_<n>.bmp.
std::string frame_file_path(const std::string& folder, const std::string& image_name, std::int64_t n);

} // namespace wiper
