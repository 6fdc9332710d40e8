#include "batch/frame_names.h"

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

} // namespace wiper
