#include "batch/settings_files.h"

#include "batch/field_reader.h"
#include "batch/folder_lookup.h"
#include "common/failure.h"

namespace wiper {

void read_image_settings(Module1& m, const std::string& folder) {
    const std::string path = settings_file_path(folder, image_settings_file);
    FieldReader reader(read_text_file(path), path);
    const std::size_t line = reader.line();
    std::string name = reader.read_text();
    const bool unsafe = name.empty() || name == "." || name == ".." ||
                        name.find_first_of(std::string("/\\\0", 3)) != std::string::npos;
    if (unsafe)
        throw Failure(FailureKind::invalid_image_name,
                      path + " line " + std::to_string(line) + ": the image name " + quote_for_message(name) +
                          " cannot name a frame file inside buffer/");
    m.image_name = std::move(name);
    m.image_width = reader.read_number();
    m.image_height = reader.read_number();
}

BladeTurns read_blade_turns(const std::string& folder) {
    const std::string path = settings_file_path(folder, blade_turn_file);
    FieldReader reader(read_text_file(path), path);
    BladeTurns turns;
    turns.blade_turn_1 = reader.read_number();
    turns.blade_turn_2 = reader.read_number();
    return turns;
}

std::string frame_file_path(const std::string& folder, const std::string& image_name, std::int64_t n) {
    return folder + "/buffer/" + image_name + "_" + std::to_string(n) + ".bmp";
}

} // namespace wiper
