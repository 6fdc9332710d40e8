#pragma once
#include <string>
#include <vector>

#include "field/wiped_field.h"

namespace wiper {

// The report of the field, a line each, without line ends: the picture and
// which parts wipe, each part's pixels, all of them together, then each zone.
// Names are made printable.
std::vector<std::string> field_report(const WipedField& field, const std::string& shown_picture);

// One line for each zone that falls short of its share, for stderr.
std::vector<std::string> short_zones(const WipedField& field);

} // namespace wiper
