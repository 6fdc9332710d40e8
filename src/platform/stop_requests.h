#pragma once

namespace wiper {

// Requests to stop that come from outside the program rather than from its
// window: on POSIX systems Ctrl-C, SIGTERM and SIGHUP; on Windows Ctrl-C,
// Ctrl-Break and closing the console (or logging off). They are only noted
// when they arrive and looked at between steps of the run, so a stop never
// lands in the middle of writing a frame file.
//
// Starts watching for them. Must be called before any thread is started, so
// every thread inherits the POSIX signal mask.
void watch_stop_requests();

// True once one of those requests has arrived.
bool stop_request_pending();

// Makes writes the system refuses fail as errors the run handles, rather than
// as signals that end it at once, half done and without a word: on POSIX
// systems SIGPIPE (the reader of our messages went away) and SIGXFSZ (a frame
// file would pass the file-size limit) are ignored, so the writes return EPIPE
// and EFBIG. Windows raises neither.
void ignore_write_signals();

} // namespace wiper
