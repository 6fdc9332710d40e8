#include "platform/stream_writes.h"

#include <cerrno>

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/stop_requests.h"

namespace wiper {

namespace {

// How long a write may wait for its reader before the stop requests are
// looked at again: short beside the half second a stop is given. Once output
// has been dropped for a stop, what follows is hardly waited for.
constexpr suseconds_t wait_slice_us = 25'000;
constexpr suseconds_t after_stop_slice_us = 2'000;

// SIGALRM only cuts a waiting write short (no SA_RESTART): the write returns
// what it wrote, or EINTR, and the loop looks for a stop.
void on_alarm(int) {}

// For as long as it lives, SIGALRM comes every `slice` to this thread. A write
// that waits for room in a pipe, a terminal (a full one, or one held by
// Ctrl-S) or a socket is cut short by it, where waiting for the stream first
// would not do: a terminal reports room for a byte and then waits for room
// for the whole line.
class WriteTimer {
public:
    explicit WriteTimer(suseconds_t slice) {
        // Installed once, for the process: a signal's handler is the process's own.
        static const bool handled = [] {
            struct sigaction action{};
            action.sa_handler = on_alarm;
            sigemptyset(&action.sa_mask);
            return ::sigaction(SIGALRM, &action, nullptr) == 0;
        }();
        sigemptyset(&alarm_);
        sigaddset(&alarm_, SIGALRM);
        if (!handled) return;
        // Unblocked before it is armed and until it is disarmed, so that every
        // alarm comes while this thread takes it, and none is left pending to
        // cut short a call elsewhere (the system gives a process's signal to
        // its main thread, the one writing, when that thread takes it).
        ::pthread_sigmask(SIG_UNBLOCK, &alarm_, nullptr);
        const itimerval every{{0, slice}, {0, slice}};
        armed_ = ::setitimer(ITIMER_REAL, &every, nullptr) == 0;
    }
    ~WriteTimer() {
        if (armed_) {
            const itimerval off{};
            ::setitimer(ITIMER_REAL, &off, nullptr);
        }
        ::pthread_sigmask(SIG_BLOCK, &alarm_, nullptr);
    }
    WriteTimer(const WriteTimer&) = delete;
    WriteTimer& operator=(const WriteTimer&) = delete;

private:
    sigset_t alarm_{};
    bool armed_ = false;
};

} // namespace

namespace stream_writes {

Written write_now(StandardStream stream, std::string_view text, bool after_drop) {
    const int fd = stream == StandardStream::out ? STDOUT_FILENO : STDERR_FILENO;
    while (!text.empty()) {
        ssize_t written;
        int error;
        {
            WriteTimer timer(after_drop ? after_stop_slice_us : wait_slice_us);
            written = ::write(fd, text.data(), text.size());
            error = errno;
        }
        if (written >= 0) {
            text.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (error != EINTR && error != EAGAIN && error != EWOULDBLOCK) return Written::refused;
        if (stop_request_pending()) return Written::dropped;
        // A stream someone else made non-blocking is waited for like any other.
        if (error != EINTR) {
            pollfd wanted{fd, POLLOUT, 0};
            ::poll(&wanted, 1, static_cast<int>(wait_slice_us / 1000));
        }
    }
    return Written::whole;
}

bool is_terminal(StandardStream stream) {
    return ::isatty(stream == StandardStream::out ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

} // namespace stream_writes

} // namespace wiper
