#include "platform/quiet_output.h"

#include <fcntl.h>
#include <unistd.h>

namespace wiper {

namespace {

// A descriptor above the standard three: with one of them closed, a new
// descriptor would otherwise take its number and be closed with it later.
int above_standard(int fd) {
    if (fd < 0 || fd > 2) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

} // namespace

QuietOutput::QuietOutput(StandardStreams& streams) {
    // What the program kept for standard output so far goes where it was meant to.
    streams.flush_output();
    const int nowhere = above_standard(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (nowhere < 0) return; // left as they are: better a stray line than a lost stream
    for (int fd = 1; fd <= 2; ++fd) {
        saved_[fd - 1] = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::dup2(nowhere, fd);
    }
    ::close(nowhere);
    active_ = true;
}

QuietOutput::~QuietOutput() {
    if (!active_) return;
    for (int fd = 1; fd <= 2; ++fd) {
        const int saved = saved_[fd - 1];
        if (saved < 0) {
            ::close(fd);
            continue;
        }
        ::dup2(saved, fd);
        ::close(saved);
    }
}

} // namespace wiper
