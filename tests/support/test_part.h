#pragma once
#include <string>
#include <vector>

#include "common/part.h"

namespace wiper::test {

// A part as its file would give it; a name holding "nr" is carried.
inline Part make_part(const std::string& name, std::int32_t frames, std::int32_t sweep, screen_point centre,
                      const std::vector<screen_point>& pts) {
    Part p;
    p.name = name;
    p.kind = name.find("nr") != std::string::npos ? PartKind::carried : PartKind::swept;
    p.frame_count = frames;
    p.sweep_angle = sweep;
    p.centre_x = centre.x;
    p.centre_y = centre.y;
    for (std::size_t i = 0; i < pts.size(); ++i) p.part_points[i] = pts[i];
    p.last_point = static_cast<std::int32_t>(pts.size()) - 1;
    return p;
}

} // namespace wiper::test
