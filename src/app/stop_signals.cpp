#include "app/stop_signals.h"

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

void hold_stop_signals() {
    const sigset_t set = stop_set();
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

bool stop_signal_pending() {
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) != 0) return false;
    return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1 ||
           sigismember(&pending, SIGHUP) == 1;
}

} // namespace wiper
