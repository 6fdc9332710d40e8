#include "batch/frame_names.h"

#include <vector>

#include "batch/settings_files.h"
#include "common/failure.h"
#include "platform/files.h"

namespace wiper {

namespace {

const char* const buffer_name = "buffer";

std::string frame_name(const std::string& prefix, const std::string& n) { return prefix + "_" + n + ".bmp"; }
std::string frame_name(const std::string& prefix, std::int64_t n) { return frame_name(prefix, std::to_string(n)); }
std::string field_picture_name(const std::string& prefix) { return prefix + "_wiped.bmp"; }
std::string field_vector_name(const std::string& prefix) { return prefix + "_wiped.svg"; }

} // namespace

std::string FrameNames::buffer(const std::string& folder) { return files::join(folder, buffer_name); }
std::string FrameNames::buffer_shown() { return buffer_name; }
std::string FrameNames::inside_buffer_shown() { return std::string(buffer_name) + "/"; }

std::string FrameNames::frame_pattern() { return inside_buffer_shown() + frame_name("<prefix>", "<n>"); }
std::string FrameNames::field_picture_pattern() { return inside_buffer_shown() + field_picture_name("<prefix>"); }

std::string FrameNames::field_vector_pattern() { return inside_buffer_shown() + field_vector_name("<prefix>"); }

std::string FrameNames::frame(std::int64_t n) const { return files::join(buffer(folder_), frame_name(prefix_, n)); }
std::string FrameNames::shown_frame(std::int64_t n) const { return files::join(buffer_name, frame_name(prefix_, n)); }
std::string FrameNames::field_picture() const { return files::join(buffer(folder_), field_picture_name(prefix_)); }
std::string FrameNames::shown_field_picture() const { return files::join(buffer_name, field_picture_name(prefix_)); }
std::string FrameNames::field_vector() const { return files::join(buffer(folder_), field_vector_name(prefix_)); }
std::string FrameNames::shown_field_vector() const { return files::join(buffer_name, field_vector_name(prefix_)); }

void FrameNames::check_names_fit(std::int64_t highest_frame, bool field) const {
    std::vector<std::string> names;
    if (highest_frame > 0) names.push_back(frame_name(prefix_, highest_frame));
    if (field) {
        names.push_back(field_picture_name(prefix_));
        names.push_back(field_vector_name(prefix_));
    }
    for (const std::string& name : names)
        if (name.size() > longest_file_name)
            throw Failure(FailureKind::invalid_image_name,
                          files::join(folder_, image_settings_file) + ": the image name makes " +
                              files::join(buffer_name, name) + " a file name of " + std::to_string(name.size()) +
                              " bytes, and a file name may have at most " + std::to_string(longest_file_name) +
                              " bytes of UTF-8");
}

} // namespace wiper
