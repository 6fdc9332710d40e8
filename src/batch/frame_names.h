#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace wiper {

// The longest name, in bytes of UTF-8, that a file the run writes may have:
// what common file systems hold. Windows counts 255 UTF-16 units, never fewer
// than the UTF-8 bytes, so one rule makes a folder render the same everywhere.
inline constexpr std::size_t longest_file_name = 255;

// The names of the files a run writes, and how the user is shown them: the
// one place that knows them. Frame n of a run whose image name (its prefix)
// is P is buffer/P_n.bmp inside the program folder; the wiped field's picture
// is buffer/P_wiped.bmp beside the frames, and its vector picture
// buffer/P_wiped.svg.
class FrameNames {
public:
    FrameNames(std::string folder, std::string prefix) : folder_(std::move(folder)), prefix_(std::move(prefix)) {}

    // The folder the frames go into, inside the program folder `folder`.
    static std::string buffer(const std::string& folder);
    // That folder as messages name it: "buffer", and "buffer/" when it stands
    // for the folder's content.
    static std::string buffer_shown();
    static std::string inside_buffer_shown();

    // The names as the help text gives them, "<prefix>" and "<n>" standing for
    // the values: buffer/<prefix>_<n>.bmp and buffer/<prefix>_wiped.bmp.
    static std::string frame_pattern();
    static std::string field_picture_pattern();
    static std::string field_vector_pattern();

    std::string frame(std::int64_t n) const;       // where frame n is written
    std::string shown_frame(std::int64_t n) const; // as named inside the program folder
    std::string field_picture() const;
    std::string shown_field_picture() const;
    std::string field_vector() const;
    std::string shown_field_vector() const;

    // Checks, before anything is written, that the files a run writes have
    // names (in buffer/) of at most longest_file_name bytes: frame
    // `highest_frame`, the longest of the frames' names (no frame when it is 0
    // or less), and with `field` the field's two pictures. A name that does
    // not fit is an invalid image name, named with its length.
    void check_names_fit(std::int64_t highest_frame, bool field) const;

private:
    std::string folder_;
    std::string prefix_;
};

} // namespace wiper
