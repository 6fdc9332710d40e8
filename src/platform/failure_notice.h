#pragma once
#include <string>

namespace wiper {

// Shows the line that reports a failure to a user who would otherwise never
// read it: on Windows, a program started from Explorer owns a console that
// closes, taking the line with it, the moment the program ends, so there the
// line is also shown in a message box. Elsewhere, and whenever a console user
// or a script reads stderr, it does nothing.
void notify_failure(const std::string& line);

} // namespace wiper
