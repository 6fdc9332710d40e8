#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "geometry/poses.h"

namespace wiper {

inline constexpr const char* image_settings_file = "immagini.txt";
inline constexpr const char* blade_turn_file = "rotazione_spazzole.txt";

// What the image settings file says: the frame files' prefix and the picture's size.
struct ImageSettings {
    std::string name;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Reads the image settings file in `folder`. Anything after the three fields
// is not read. A name that image_name_fault refuses is an invalid image name.
// `between` is called as the file is read (see read_text_file).
ImageSettings read_image_settings(const std::string& folder, const std::function<void()>& between = {});

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
BladeTurns read_blade_turns(const std::string& folder, const std::function<void()>& between = {});

} // namespace wiper
