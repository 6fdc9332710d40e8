#include "platform/stop_requests.h"

#include <signal.h>

namespace wiper {

namespace {
sigset_t stop_set() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}
} // namespace

// The signals are blocked rather than caught: a blocked signal stays pending,
// and a pending signal is all the run needs to know.
void watch_stop_requests() {
    const sigset_t set = stop_set();
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

bool stop_request_pending() {
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) != 0) return false;
    return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1 ||
           sigismember(&pending, SIGHUP) == 1;
}

void ignore_write_signals() {
    struct sigaction ignore{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    sigaction(SIGXFSZ, &ignore, nullptr);
}

} // namespace wiper
