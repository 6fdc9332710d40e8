#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "common/screen_point.h"

namespace wiper {

// Every part holds at most this many outline points (slots 0 to 100).
inline constexpr int point_slots = 101;
using point_slots_array = std::array<screen_point, point_slots>;

// One part file as read: its header and outline, and what it is called.
// Only slots up to last_point are meaningful; the rest hold whatever the part
// read before it left there, as the run's reader never clears them.
struct Part {
    std::string name;     // the bare file name, which names the part in messages
    bool carried = false; // a blade, carried by its point 0; otherwise swept

    std::int32_t frame_count = 0;
    std::int32_t sweep_angle = 0; // degrees, signed
    std::int32_t centre_x = 0;
    std::int32_t centre_y = 0;

    point_slots_array part_points{};
    std::int32_t last_point = -1; // index of the last complete point, -1 for none
};

} // namespace wiper
