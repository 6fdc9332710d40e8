#include "batch/part_file.h"

#include "common/ascii.h"
#include "common/failure.h"
#include "platform/files.h"

namespace wiper {

PointPairs read_point_pairs(FieldReader& reader, std::span<screen_point> slots, const std::string& path,
                            const std::string& what) {
    PointPairs pairs;
    while (!reader.at_end()) {
        if (static_cast<std::size_t>(pairs.count) >= slots.size())
            throw Failure(FailureKind::index_out_of_range, path + " line " + std::to_string(reader.line()) + ": " + what);
        screen_point& p = slots[static_cast<std::size_t>(pairs.count)];
        p.x = reader.read_number();
        if (reader.at_end()) {
            pairs.lone_x = true;
            break;
        }
        p.y = reader.read_number();
        ++pairs.count;
    }
    return pairs;
}

void legge_files_coordinate(Module1& m, const std::string& folder, const std::string& s) {
    const std::string path = files::join(folder, s);
    FieldReader reader(read_text_file(path), path);
    Part& part = m.part;
    part.name = s;
    part.carried = is_carried_part(s);
    part.frame_count = reader.read_number();
    part.sweep_angle = reader.read_number();
    part.centre_x = reader.read_number();
    part.centre_y = reader.read_number();
    part.last_point = read_point_pairs(reader, part.part_points, path, "more than 101 points").count - 1;
}

bool is_carried_part(const std::string& name) { return contains_ignoring_case(name, "nr"); }

} // namespace wiper
