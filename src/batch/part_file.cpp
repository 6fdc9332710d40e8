#include "batch/part_file.h"

#include "batch/field_reader.h"
#include "common/failure.h"
#include "platform/files.h"

namespace wiper {

void legge_files_coordinate(Module1& m, const std::string& folder, const std::string& s) {
    const std::string path = files::join(folder, s);
    FieldReader reader(read_text_file(path), path);
    m.frame_count = reader.read_number();
    m.sweep_angle = reader.read_number();
    m.centre_x = reader.read_number();
    m.centre_y = reader.read_number();

    std::int32_t i = 0;
    while (!reader.at_end()) {
        // Checked before the x is read: exactly 101 pairs are fine, a 102nd value is not.
        if (i >= point_slots)
            throw Failure(FailureKind::index_out_of_range,
                          path + " line " + std::to_string(reader.line()) + ": more than 101 points");
        screen_point& p = m.part_points[static_cast<std::size_t>(i)];
        p.x = reader.read_number();
        if (reader.at_end()) break;
        p.y = reader.read_number();
        ++i;
    }
    m.last_point = i - 1;
}

bool is_carried_part(const std::string& name) {
    for (std::size_t i = 0; i + 1 < name.size(); ++i) {
        const char a = name[i];
        const char b = name[i + 1];
        if ((a == 'n' || a == 'N') && (b == 'r' || b == 'R')) return true;
    }
    return false;
}

} // namespace wiper
