#pragma once
#include <string_view>

namespace wiper {

// The program's own output: standard output and standard error, written
// through here and nowhere else (never through the C library's buffered
// streams, which the process's exit would flush however long that waits).
//
// A stream that nobody reads fills up and makes a write wait for its reader.
// These writes wait only while no stop has been asked for (see
// stop_requests.h): once one has, what the stream cannot take at once is
// dropped, so a stop ends the run in time whatever its output does. The
// streams themselves are left as they are, blocking and shared with whoever
// else writes to them, and no further descriptor or handle is opened for them.
enum class StandardStream { out, err };

// Writes `text`, whole unless the system refuses it or a stop drops the rest;
// true when all of it was written. Each call is written as it is made (a
// warning appears as it happens), in the order the calls are made.
bool write_standard(StandardStream stream, std::string_view text);

// printf's formatting, then write_standard.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
bool print_standard(StandardStream stream, const char* format, ...);

// True once the system refused a write to `stream` (a reader that went away,
// a full disk, a closed stream).
bool standard_write_failed(StandardStream stream);

// True once output was dropped because a stop came while a stream could not
// take it.
bool standard_output_dropped();

} // namespace wiper
