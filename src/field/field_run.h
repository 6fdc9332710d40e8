#pragma once
#include <optional>
#include <string>
#include <vector>

#include "batch/folder_inputs.h"
#include "common/hooks.h"
#include "field/glass.h"
#include "field/wiped_field.h"
#include "field/zones.h"

namespace wiper {

// The glass as read, and its pixels as counted before the first frame, so
// the field counts on them without working them out again.
struct CountedGlass {
    Glass glass;
    GlassPixels pixels;
};

// What the wiped field is computed from: the blade turns, the part files as
// read, and the zones.
struct FieldScene {
    BladeTurns turns;
    std::vector<Part> parts;
    std::vector<Zone> zones;
    std::optional<CountedGlass> glass;
};

// The zones of `folder` for a picture of `image`'s size: read and checked
// before a frame is drawn, so a mistake in them costs no frame. A stop while
// they are read says `stopped`.
std::vector<Zone> read_run_zones(const ImageSettings& image, const std::string& folder, const Hooks& hooks,
                                 const char* stopped);

// The glass file of `folder`, if there is one, read and checked before a
// frame is drawn, as the zones are; then a zone of `zones` none of whose
// pixels is counted (on the glass, in from its border) is a failure too.
std::optional<CountedGlass> read_run_glass(const ImageSettings& image, const std::string& folder,
                                    const std::vector<Zone>& zones, const Hooks& hooks, const char* stopped);

// Every part file of inputs.parts, read in that order as the run reads them
// and each posed at all its frames as soon as it is read, so the first
// mistake is the one the run would meet, with the same message; but without
// drawing, reading or writing a frame.
std::vector<Part> read_field_parts(const std::string& folder, const FolderInputs& inputs, const Hooks& hooks);

// Follows the sweep and saves the picture of the wiped field
// (FrameNames::field_picture). Returns the field for its report.
WipedField make_wiped_field(const ImageSettings& image, const std::string& folder, const FieldScene& scene,
                            const Hooks& hooks);

} // namespace wiper
