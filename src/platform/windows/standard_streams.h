#pragma once
#include <cstdint>

namespace wiper::windows {

// When the write to standard output or error now going on began, in
// GetTickCount64's milliseconds; 0 while none is. A write Windows cannot
// finish (a pipe nobody reads, a console whose output a selection holds)
// cannot be cut short from inside the program, so the handler of stop
// requests looks here to end a run that waits in one.
std::uint64_t standard_write_began();

} // namespace wiper::windows
