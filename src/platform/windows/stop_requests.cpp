#include "platform/stop_requests.h"

#include <atomic>

#include <windows.h>

namespace wiper {

namespace {

// Set by the console's handler thread, read by the run between steps.
std::atomic<bool> stop_flag{false};

// Windows ends the process once the handler of a console close, log-off or
// shutdown returns, and at the latest after about 5 seconds. The handler
// therefore waits for the process to end by itself, a little less than that:
// the run sees the flag before its next frame, and a frame is never cut short
// by the program (only by Windows, when the time is up).
constexpr DWORD close_grace_ms = 4500;

BOOL WINAPI on_console_event(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        stop_flag.store(true);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        stop_flag.store(true);
        // The process handle is signalled only when the process has ended,
        // which ends this thread too: this waits for the run to finish.
        WaitForSingleObject(GetCurrentProcess(), close_grace_ms);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void watch_stop_requests() {
    // A program started with Ctrl-C disabled (CREATE_NEW_PROCESS_GROUP) gets
    // it back: a console user expects Ctrl-C to stop the run.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool stop_request_pending() { return stop_flag.load(); }

void ignore_write_signals() {} // a refused write is an error code there already

} // namespace wiper
