#include "platform/stop_requests.h"

#include <atomic>

#include <windows.h>

#include "common/failure.h"
#include "platform/windows/standard_streams.h"

namespace wiper {

namespace {

// Set by the console's handler thread, read by the run between steps. At
// namespace scope because the system calls the handler on a thread of its own
// with no context to be given, so an atomic here is its only way in.
std::atomic<bool> stop_flag{false};

// Windows ends the process once the handler of a console close, log-off or
// shutdown returns, and at the latest after about 5 seconds. The handler
// therefore waits for the process to end by itself, a little less than that:
// the run sees the flag before its next frame, and a frame is never cut short
// by the program (only by Windows, when the time is up).
constexpr DWORD close_grace_ms = 4500;

// A write to standard output or error that has waited this long once a stop
// has come is not going to end in time: the process ends with the stopped
// status, within the half second a stop is given. Frame files are never
// written meanwhile (the flag is set around the standard streams' writes only).
constexpr ULONGLONG blocked_write_ms = 300;
constexpr DWORD look_every_ms = 20;

// Watches, for as long as `limit` allows (INFINITE: until the process ends),
// for the run to be stuck in a write to a standard stream, and ends the
// process when it is.
void end_if_output_blocks(DWORD limit) {
    const ULONGLONG began = GetTickCount64();
    for (;;) {
        const ULONGLONG write_began = windows::standard_write_began();
        const ULONGLONG now = GetTickCount64();
        if (write_began != 0 && now >= write_began && now - write_began >= blocked_write_ms)
            ExitProcess(static_cast<UINT>(exit_status(FailureKind::stopped)));
        if (limit != INFINITE && now - began >= limit) return;
        Sleep(look_every_ms);
    }
}

BOOL WINAPI on_console_event(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        stop_flag.store(true);
        // This thread is the system's, made for this event; it watches until
        // the run ends by itself.
        end_if_output_blocks(INFINITE);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        stop_flag.store(true);
        // Returning ends the process: this waits for the run to finish first.
        end_if_output_blocks(close_grace_ms);
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
