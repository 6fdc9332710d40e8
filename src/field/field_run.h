#pragma once
#include <string>
#include <vector>

#include "batch/run_batch.h"
#include "common/module1.h"
#include "field/wiped_field.h"
#include "field/zones.h"

namespace wiper {

// What the wiped field is computed from: the run's blade turns and part files
// as read, and the zones.
struct FieldScene {
    BladeTurns turns;
    std::vector<Part> parts;
    std::vector<Zone> zones;
};

// The zones of `folder` for a run whose image settings are in `m`: read and
// checked before the run draws a frame.
std::vector<Zone> read_run_zones(const Module1& m, const std::string& folder, const FieldHooks& hooks);

// Everything the field needs, read as the run reads it and failing as it
// would, but without drawing, reading or writing a frame: settings, zones,
// then every part file in the run's order.
FieldScene read_field_scene(Module1& m, const std::string& folder, const FieldHooks& hooks);

// Follows the sweep and saves the picture of the wiped field as
// buffer/<prefix>_wiped.bmp. Returns the field for its report.
WipedField make_wiped_field(const Module1& m, const std::string& folder, const FieldScene& scene,
                            const FieldHooks& hooks);

// The picture as the report names it inside the program folder.
std::string shown_field_picture(const Module1& m);

} // namespace wiper
