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

std::string frame_range(std::int64_t first, std::int64_t last) {
    return first == last ? "frame " + std::to_string(first)
                         : "frames " + std::to_string(first) + " to " + std::to_string(last);
}

std::string frames_drawn(std::int64_t n) {
    return n == 0 ? "no frame" : n == 1 ? "1 frame" : std::to_string(n) + " frames";
}

std::string frame_count_warning(const std::string& name, std::int64_t frames, std::int64_t drawn,
                                const std::string& longest) {
    if (frames <= 0) return name + ": frame_count is " + std::to_string(frames) + ", so this part draws no frame";
    if (frames < drawn)
        return name + " has " + frames_drawn(frames) + " but " + longest + " before it has " + std::to_string(drawn) +
               ": " + frame_range(frames + 1, drawn) + (frames + 1 == drawn ? " lacks it" : " lack it");
    return {};
}

Part read_part(const std::string& folder, const std::string& name, const Part& before,
               const std::function<void()>& between) {
    const std::string path = files::join(folder, name);
    FieldReader reader(read_text_file(path, between), path, between);
    Part part;
    part.part_points = before.part_points;
    part.name = name;
    part.kind = part_kind_of(name);
    part.frame_count = reader.read_number();
    part.sweep_angle = reader.read_number();
    part.centre_x = reader.read_number();
    part.centre_y = reader.read_number();
    part.last_point = read_point_pairs(reader, part.part_points, path, "more than 101 points").count - 1;
    return part;
}

void legge_files_coordinate(Module1& m, const std::string& folder, const std::string& s,
                            const std::function<void()>& between) {
    m.part = read_part(folder, s, m.part, between);
}

PartKind part_kind_of(const std::string& name) {
    return contains_ignoring_case(name, "nr") ? PartKind::carried : PartKind::swept;
}

} // namespace wiper
