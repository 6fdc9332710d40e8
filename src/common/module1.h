#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "common/screen_point.h"

namespace wiper {

// Every part holds at most this many outline points (slots 0 to 100).
inline constexpr int point_slots = 101;
using point_slots_array = std::array<screen_point, point_slots>;

// The run's shared state. One object, owned by the run and passed by reference.
// The point arrays are not cleared between part files: only slots up to
// last_point are ever meaningful, and a carried part with no points still reads
// slot 0 as whatever the previous part left there.
struct Module1 {
    // Image settings file.
    std::string image_name;
    std::int32_t image_width = 0;
    std::int32_t image_height = 0;

    // Current part file header.
    std::int32_t frame_count = 0;
    std::int32_t sweep_angle = 0; // degrees, signed
    std::int32_t centre_x = 0;
    std::int32_t centre_y = 0;

    point_slots_array part_points{};
    std::int32_t last_point = -1; // index of the last complete point, -1 for none

    point_slots_array frame_points{}; // the current frame's polygon
};

} // namespace wiper
