#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "batch/field_reader.h"
#include "common/module1.h"

namespace wiper {

// Reads the part file `s` (a bare name) in `folder` into m.part: its name and
// kind, the header fields, part_points and last_point. The body is x, y pairs,
// at most 101 of them; a last lone x is stored but not counted, and any value
// after the 101st pair is an index-out-of-range failure. Slots past the points
// read keep what the part before left in them.
void legge_files_coordinate(Module1& m, const std::string& folder, const std::string& s);

// A part whose bare file name holds "nr" (any case) is carried; any other is swept.
bool is_carried_part(const std::string& name);

// The x, y pairs that make up the rest of a file, into `slots` in order.
struct PointPairs {
    std::int32_t count = 0;  // complete pairs read
    bool lone_x = false;     // the file ended after an x; it was stored in slots[count]
};
// Checked before each x is read: a file with exactly slots.size() pairs is
// read whole, and any value after them is an index-out-of-range failure that
// names the file, its line and `what` ("more than 101 points").
PointPairs read_point_pairs(FieldReader& reader, std::span<screen_point> slots, const std::string& path,
                            const std::string& what);

} // namespace wiper
