#include "platform/standard_streams.h"

#include <algorithm>
#include <cerrno>

#include <limits.h>
#include <poll.h>
#include <unistd.h>

#include "platform/stop_requests.h"

namespace wiper {

namespace {

// How long one wait for room in a stream lasts before the stop requests are
// looked at again: short beside the half second a stop is given.
constexpr int wait_slice_ms = 25;

// What became of each stream so far: the process's own, as the streams are.
struct StreamState {
    bool failed = false;  // the system refused a write
};
StreamState stream_states[2];
bool dropped_after_stop = false;

} // namespace

bool write_standard(StandardStream stream, std::string_view text) {
    const int fd = stream == StandardStream::out ? STDOUT_FILENO : STDERR_FILENO;
    StreamState& state = stream_states[stream == StandardStream::out ? 0 : 1];
    while (!text.empty()) {
        // The stream is waited for here, with a timeout, rather than inside
        // write: once it has room, a write of at most PIPE_BUF bytes fits a
        // pipe whole and returns at once.
        pollfd wanted{fd, POLLOUT, 0};
        const int ready = ::poll(&wanted, 1, dropped_after_stop ? 0 : wait_slice_ms);
        if (ready < 0 && errno != EINTR && errno != EAGAIN) {
            state.failed = true;
            return false;
        }
        if (ready <= 0) {
            if (stop_request_pending()) {
                dropped_after_stop = true;
                return false;
            }
            continue;
        }
        if ((wanted.revents & POLLNVAL) != 0) { // a closed stream
            state.failed = true;
            return false;
        }
        const std::size_t step = std::min<std::size_t>(text.size(), PIPE_BUF);
        const ssize_t written = ::write(fd, text.data(), step);
        if (written < 0) {
            // A stream someone else made non-blocking is waited for like any other.
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            state.failed = true;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool standard_write_failed(StandardStream stream) {
    return stream_states[stream == StandardStream::out ? 0 : 1].failed;
}

bool standard_output_dropped() { return dropped_after_stop; }

} // namespace wiper
