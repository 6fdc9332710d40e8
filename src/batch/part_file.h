#pragma once
#include <string>

#include "common/module1.h"

namespace wiper {

// Reads the part file `s` (a bare name) in `folder` into the header fields,
// part_points and last_point of `m`. The body is x, y pairs, at most 101 of
// them; a last lone x is stored but not counted, and any value after the 101st
// pair is an index-out-of-range failure.
void legge_files_coordinate(Module1& m, const std::string& folder, const std::string& s);

// A part whose bare file name holds "nr" (any case) is carried; any other is swept.
bool is_carried_part(const std::string& name);

} // namespace wiper
