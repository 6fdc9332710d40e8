#pragma once
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

} // namespace wiper
