#pragma once
#include <functional>
#include <string>
#include <vector>

#include "batch/field_reader.h"
#include "common/screen_point.h"
#include "imaging/rasterizer.h"

namespace wiper {

// A vision zone of the windscreen: the pixels its outline covers, filled and
// outlined by the same rules as a part, and the share of them that the wiper
// must wipe.
struct Zone {
    std::string name;     // the bare file name
    int required = 0;     // whole percent, 0 to 100
    std::vector<screen_point> outline;
};

inline constexpr const char* zone_file_prefix = "zone";
inline constexpr int most_zone_points = 1000;

// Reads and checks every zone file of `folder` (names beginning with "zone",
// any case, listed as part files are, less those named like a backup or
// editor copy, which are warned about), in the order part files are taken. A
// zone file is the required share, then 3 to 1000 x,y pairs. A zone with no
// pixel inside `picture` is a failure; one that reaches outside it is warned
// about, and only its pixels inside count. Every failure names the file and
// its line. `between` is called as the files are read (see read_text_file).
std::vector<Zone> read_zones(const std::string& folder, ClipArea picture,
                             const std::function<void(const std::string&)>& warn,
                             const std::function<void()>& between = {});

// What zone and glass files share. The file's first field: a whole number
// from 0 to `most`, which is `subject` ("the required share"), `rule` saying
// what it must be ("a whole percent from 0 to 100"); a field that is no whole
// number fails with both. Then its outline: 3 to most_zone_points x,y pairs,
// closed by itself; `what` ("a zone") names it when there are fewer.
std::int32_t read_leading_number(FieldReader& reader, const std::string& path, const std::string& subject,
                                 const std::string& rule, std::int32_t most);
std::vector<screen_point> read_outline(FieldReader& reader, const std::string& path, const char* what);

} // namespace wiper
