#pragma once
#include <string_view>

#include "platform/standard_streams.h"

// What each system does for standard_streams.cpp, its twins side by side in
// posix/ and windows/: the writes themselves, at once.
namespace wiper::stream_writes {

// How a write ended.
enum class Written {
    whole,
    refused, // by the system: a reader that went away, a full disk, a closed stream
    dropped, // the rest, because a stop came while the stream could not take it
};

// Writes `text` now, waiting for the stream only until a stop (see
// standard_streams.h). `after_drop`: output was dropped for a stop already,
// so what follows is hardly waited for. Windows never drops: a write that
// waits past a stop ends the process (see windows/stop_requests.cpp).
Written write_now(StandardStream stream, std::string_view text, bool after_drop);

// True when the stream is a terminal (a console), where each line is written
// as it is printed rather than kept for a larger write.
bool is_terminal(StandardStream stream);

} // namespace wiper::stream_writes
