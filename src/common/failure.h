#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace wiper {

// What stopped the run. Each kind has its own exit status (see README).
enum class FailureKind {
    file_not_found,
    path_not_found,
    file_access,
    read_past_end,
    index_out_of_range,
    overflow,
    floating_point,
    invalid_picture,
    invalid_size,
    invalid_number,
    invalid_image_name,
    out_of_memory,
    stopped,
};

// The one error type of the program: a kind and a message that names the file
// (and the line, for text files). Where the code that failed had the file's
// path at hand it also carries it, so what the failure means is decided from
// the kind and the path, never from the wording.
class Failure : public std::runtime_error {
public:
    Failure(FailureKind kind, const std::string& detail, std::string path = {});
    FailureKind kind() const noexcept { return kind_; }
    const std::string& path() const noexcept { return path_; } // empty when not known

private:
    FailureKind kind_;
    std::string path_;
};

// The words used for a kind in the one-line report, e.g. "file not found".
const char* kind_name(FailureKind kind) noexcept;

// The process exit status that reports a kind.
int exit_status(FailureKind kind) noexcept;

// Exit statuses that are not failure kinds of the run.
inline constexpr int usage_status = 2;
inline constexpr int internal_error_status = 1;
// A run that did all it was asked, but whose wiper leaves a vision zone short of its share.
inline constexpr int zone_short_status = 40;

// Text from a file quoted in a message: control bytes escaped and long runs cut,
// so a hostile file cannot flood or garble the one-line report.
std::string quote_for_message(const std::string& text);

// A report line as it may reach a terminal or a log: control characters
// become escapes (\n, \t, \x1b...) and bytes that are not UTF-8 become \xNN,
// so a name holding a line end or an escape sequence keeps the report on one
// line and cannot steer the terminal. The characters below become \u0085 and
// the like, for the same reason.
std::string printable(const std::string& text);

// Characters beyond ASCII that end a line or steer a terminal (the C1
// controls U+0080 to U+009F: NEL, CSI...), or that make a name read otherwise
// than it is (the line and paragraph separators U+2028 and U+2029, the
// bidirectional embeddings, overrides and isolates U+202A to U+202E and U+2066
// to U+2069).
bool is_disguising_character(std::uint32_t code_point) noexcept;

// The first such character in the UTF-8 sequences of `text` (bytes that are
// not UTF-8 are skipped), or 0 when there is none.
std::uint32_t first_disguising_character(const std::string& text) noexcept;

} // namespace wiper
