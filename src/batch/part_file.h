#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "batch/field_reader.h"
#include "common/module1.h"
#include "common/part.h"

namespace wiper {

// The part file `name` (a bare name) in `folder`: its name and kind, the
// header fields, part_points and last_point. The body is x, y pairs, at most
// 101 of them; a last lone x is stored but not counted, and any value after
// the 101st pair is an index-out-of-range failure.
//
// A part is read over the one `before` it, as the files were always read:
// slots past the points read keep what `before` held there. So a carried part
// with no points rides on slot 0 of the part before it. `between` is called as
// the file is read (see read_text_file).
Part read_part(const std::string& folder, const std::string& name, const Part& before,
               const std::function<void()>& between = {});

// The run's reading of part file `s`: m.part becomes read_part over m.part.
void legge_files_coordinate(Module1& m, const std::string& folder, const std::string& s,
                            const std::function<void()>& between = {});

// How messages name frames: "frame 3" or "frames 3 to 5"; "no frame",
// "1 frame" or "4 frames".
std::string frame_range(std::int64_t first, std::int64_t last);
std::string frames_drawn(std::int64_t n);

// The warning part `name`'s frame_count deserves, or empty: `frames` of 0 or
// less draw no frame, and fewer than the `drawn` frames of the parts before it
// (the most of them by `longest`) leave the last of those without the part.
// The run and the wiped field warn alike.
std::string frame_count_warning(const std::string& name, std::int64_t frames, std::int64_t drawn,
                                const std::string& longest);

// A part whose bare file name holds "nr" (any case) is carried; any other is swept.
PartKind part_kind_of(const std::string& name);

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
