#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "common/screen_point.h"

namespace wiper {

// Every part holds at most this many outline points (slots 0 to 100).
inline constexpr int point_slots = 101;
using point_slots_array = std::array<screen_point, point_slots>;

// How a part moves. A swept part (an arm) turns rigidly about its pivot; a
// carried part (a blade) rides the arc of its point 0 and turns about it, and
// its point 0 is not drawn.
enum class PartKind { swept, carried };

// One part file as read: its header and outline, and what it is called.
// Only slots up to last_point are meaningful; the rest hold whatever the part
// read before it left there (see read_part).
struct Part {
    std::string name;     // the bare file name, which names the part in messages
    PartKind kind = PartKind::swept;

    std::int32_t frame_count = 0;
    std::int32_t sweep_angle = 0; // degrees, signed
    std::int32_t centre_x = 0;
    std::int32_t centre_y = 0;

    point_slots_array part_points{};
    std::int32_t last_point = -1; // index of the last complete point, -1 for none
};

} // namespace wiper
