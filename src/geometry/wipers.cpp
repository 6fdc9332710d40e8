#include "geometry/wipers.h"

namespace wiper {

bool same_motion(const Part& a, const Part& b) {
    return a.frame_count == b.frame_count && a.sweep_angle == b.sweep_angle && a.centre_x == b.centre_x &&
           a.centre_y == b.centre_y;
}

std::vector<int> wiper_numbers(const std::vector<Part>& parts) {
    std::vector<int> numbers(parts.size(), 0);
    int next = 1;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        for (std::size_t j = 0; j < i && numbers[i] == 0; ++j)
            if (same_motion(parts[i], parts[j])) numbers[i] = numbers[j];
        if (numbers[i] == 0) numbers[i] = next++;
    }
    return numbers;
}

} // namespace wiper
