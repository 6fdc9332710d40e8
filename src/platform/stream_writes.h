#pragma once
#include <string_view>

#include "platform/standard_streams.h"

// What each system does for standard_streams.cpp, its twins side by side in
// posix/ and windows/: the writes themselves, at once.
namespace wiper::stream_writes {

// Writes `text` now, waiting for the stream only until a stop (see
// standard_streams.h); true when all of it was written.
bool write_now(StandardStream stream, std::string_view text);

// True when the stream is a terminal (a console), where each line is written
// as it is printed rather than kept for a larger write.
bool is_terminal(StandardStream stream);

} // namespace wiper::stream_writes
