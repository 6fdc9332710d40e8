#pragma once
#include <cstdint>
#include <string>

#include "common/part.h"

namespace wiper {

// The run's shared state. One object, owned by the run and passed by reference.
// The current part is read over the one before it (legge_files_coordinate):
// a carried part with no points still reads slot 0 as whatever the previous
// part left there.
struct Module1 {
    // Image settings file.
    std::string image_name;
    std::int32_t image_width = 0;
    std::int32_t image_height = 0;

    Part part; // the current part file

    point_slots_array frame_points{}; // the current frame's polygon
};

} // namespace wiper
