#include "platform/terminal.h"

#include <cstdio>

#include <unistd.h>

namespace wiper {

bool stderr_is_terminal() { return isatty(fileno(stderr)) != 0; }

} // namespace wiper
