#include "batch/settings_files.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "batch/field_reader.h"
#include "batch/frame_names.h"
#include "batch/folder_lookup.h"
#include "common/ascii.h"
#include "common/failure.h"

namespace wiper {

namespace {

bool is_reserved_device_name(const std::string& name) {
    // Windows takes the part before the first dot, trailing spaces dropped, as
    // the device: "con.bmp" and "nul .x" are devices too.
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    const std::string upper = ascii_upper(stem);
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
    if (upper.size() < 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) return false;
    const std::string number = upper.substr(3);
    // Superscript one to three (UTF-8) count as digits there as well.
    return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xc2\xb9" ||
           number == "\xc2\xb2" || number == "\xc2\xb3";
}

} // namespace

std::string image_name_fault(const std::string& name) {
    if (name.empty()) return "is empty";
    if (name == "." || name == "..")
        return "names a folder, not a frame file inside " + FrameNames::inside_buffer_shown();
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/' || c == '\\')
            return "holds a path separator and would put frame files outside " + FrameNames::inside_buffer_shown();
        if (c < 0x20 || c == 0x7f) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02x", c);
            return std::string("holds the control character ") + code + ", which no file name may hold";
        }
        if (std::string_view("<>:\"|?*").find(ch) != std::string_view::npos)
            return std::string("holds '") + ch + "', which a Windows file name cannot hold";
    }
    // Beyond ASCII: a C1 control ends a line or starts a terminal escape as a
    // C0 one does, and a separator or bidirectional override makes the frame
    // names read otherwise than they are.
    if (const std::uint32_t cp = first_disguising_character(name); cp != 0) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
        return std::string("holds ") + (cp <= 0x9f ? "the control character " : "the invisible character ") + code +
               ", which no file name may hold";
    }
    if (is_reserved_device_name(name)) return "is a Windows device name, not a file name";
    if (name.back() == '.' || name.back() == ' ')
        return std::string("ends in ") + (name.back() == '.' ? "a dot" : "a space") +
               ", which Windows drops from file names";
    return {};
}

ImageSettings read_image_settings(const std::string& folder, const std::function<void()>& between) {
    const std::string path = settings_file_path(folder, image_settings_file);
    FieldReader reader(read_text_file(path, between), path, between);
    const std::size_t line = reader.line();
    std::string name = reader.read_text();
    const std::string fault = image_name_fault(name);
    if (!fault.empty())
        throw Failure(FailureKind::invalid_image_name,
                      path + " line " + std::to_string(line) + ": the image name " + quote_for_message(name) + " " +
                          fault);
    ImageSettings settings;
    settings.name = std::move(name);
    settings.width = reader.read_number();
    settings.height = reader.read_number();
    return settings;
}

BladeTurns read_blade_turns(const std::string& folder, const std::function<void()>& between) {
    const std::string path = settings_file_path(folder, blade_turn_file);
    FieldReader reader(read_text_file(path, between), path, between);
    BladeTurns turns;
    turns.blade_turn_1 = reader.read_number();
    turns.blade_turn_2 = reader.read_number();
    return turns;
}

} // namespace wiper
