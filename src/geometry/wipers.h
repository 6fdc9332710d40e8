#pragma once
#include <vector>

#include "common/part.h"

namespace wiper {

// The wiper each part belongs to, numbered from 1 in order of each wiper's
// first part. Parts that share a motion (the same frame_count, sweep_angle,
// centre_x and centre_y) form one wiper: a blade rides its arm's tip only
// when both have the same header.
std::vector<int> wiper_numbers(const std::vector<Part>& parts);

// Whether two parts share a motion, and so belong to one wiper.
bool same_motion(const Part& a, const Part& b);

} // namespace wiper
