#include "common/hooks.h"

#include "common/failure.h"

namespace wiper {

void check_stop(const Hooks& hooks, const char* message) {
    if (hooks.stop_requested && hooks.stop_requested()) throw Failure(FailureKind::stopped, message);
}

} // namespace wiper
