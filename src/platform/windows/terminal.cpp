#include "platform/terminal.h"

#include <cstdio>

#include <io.h>

namespace wiper {

bool stderr_is_terminal() { return _isatty(_fileno(stderr)) != 0; }

} // namespace wiper
