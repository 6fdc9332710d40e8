#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/part.h"

namespace wiper {

// Where a job is, for a progress line: part `part` of `parts` (from 1), named
// `name`, at frame `frame` of its `frames`; while the wiped field follows the
// sweep, part is 0 and the frames are those of the longest wiping part.
struct Progress {
    std::size_t part = 0;
    std::size_t parts = 0;
    std::string_view name;
    std::int64_t frame = 0;
    std::int64_t frames = 0;
};

// How the run and the wiped field reach whoever runs them. Any may be left empty.
struct Hooks {
    // Input that is legal but probably a mistake; one message per call. The
    // job goes on as if nothing was said.
    std::function<void(const std::string&)> warn;
    // True asks the job to stop with a "stopped" failure; every file it saved stays whole.
    std::function<bool()> stop_requested;
    // Before each frame is drawn, or as the sweep reaches a frame.
    std::function<void(const Progress&)> progress;
    // Once a part file is read, before it is posed or drawn; and once frame n
    // is saved. So a report can say what a run that failed had done by then.
    std::function<void(const Part&)> part_read;
    std::function<void(std::int64_t n)> frame_saved;
};

// The one stop check: a "stopped" failure saying `message` when a stop was asked for.
void check_stop(const Hooks& hooks, const char* message);

// check_stop for loops whose steps are too many or too short to ask every
// time (a window's events must not be handled thousands of times a frame): it
// asks at most once every 20 ms, so a stop is seen within that of the step it
// lands in.
class StopClock {
public:
    StopClock(const Hooks& hooks, const char* message)
        : hooks_(&hooks), message_(message), last_look_(std::chrono::steady_clock::now()) {}

    void poll() {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_look_ < std::chrono::milliseconds(20)) return;
        last_look_ = now;
        check_stop(*hooks_, message_);
    }
    // The same, for a reader that takes what it calls between steps.
    std::function<void()> between() {
        return [this] { poll(); };
    }

private:
    const Hooks* hooks_;
    const char* message_;
    std::chrono::steady_clock::time_point last_look_;
};

} // namespace wiper
