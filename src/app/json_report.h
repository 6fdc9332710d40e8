#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/part.h"
#include "field/wiped_field.h"

namespace wiper {

// What a run did, as --json reports it: one document, written after the
// run's last line on stderr, whatever the run's end.
struct RunRecord {
    int status = 0; // the exit status
    // The line that reported the failure, when the run failed.
    struct FailureLine {
        std::string kind;    // its words as printed, e.g. "file not found"
        int status = 0;
        std::string message; // the line without its leading "wiper-render: "
    };
    std::optional<FailureLine> failure;
    std::vector<std::string> warnings; // as printed, without "wiper-render: warning: "
    std::vector<Part> parts;           // as read, in order; on a failure, those read before it
    std::int64_t frames_written = 0;   // frames 1 to this were saved; 0: none
    std::string first_frame, last_frame;
    const WipedField* field = nullptr; // with --wiped or --wiped-only, once computed
    std::string field_picture, field_vector; // as named inside the folder
};

// The document, with a line end after it. Names are made printable first, so
// a name that is not UTF-8 reads as it does on stderr and the document stays valid.
std::string json_report(const RunRecord& record);

// `x` with one decimal, rounded to the nearest tenth as the text report shows it.
double to_tenths(double x);

} // namespace wiper
