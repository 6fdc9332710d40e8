#pragma once

namespace wiper {

// Ctrl-C, SIGTERM and SIGHUP are held back from the start of the run and
// looked at between steps, so a stop never lands in the middle of writing a
// frame file. Must be called before any thread is started, so every thread
// inherits the mask.
void hold_stop_signals();

// True once one of those signals has arrived.
bool stop_signal_pending();

} // namespace wiper
