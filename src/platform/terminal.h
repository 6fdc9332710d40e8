#pragma once

namespace wiper {

// True when standard error is a terminal (a console on Windows), where a line
// can be redrawn in place.
bool stderr_is_terminal();

} // namespace wiper
