#pragma once
#include <chrono>
#include <cstddef>
#include <string>

#include "platform/standard_streams.h"

namespace wiper {

// Terminal columns UTF-8 text takes, one per character.
std::size_t text_columns(const std::string& text);

// The one progress line on standard error, redrawn in place. It is shown only
// on a terminal, so logs and captured output stay clean, and redrawn at most
// ten times a second so a fast run is not slowed by its own report.
class ProgressLine {
public:
    // Shown on `streams`' standard error when `enabled`.
    ProgressLine(StandardStreams& streams, bool enabled) : streams_(streams), enabled_(enabled) {}
    ~ProgressLine() { erase(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows `text` (already printable) unless the last redraw is too recent.
    void update(const std::string& text);
    // Blanks the line, so what is printed next starts on a clean line.
    void erase();

private:
    StandardStreams& streams_;
    bool enabled_;
    std::size_t shown_columns_ = 0;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace wiper
