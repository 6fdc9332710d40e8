#include "platform/quiet_output.h"

namespace wiper {

// Windows toolkits report through the debugger's channel, never on the
// standard streams, so there is nothing to keep off them.
QuietOutput::QuietOutput(StandardStreams&) {}
QuietOutput::~QuietOutput() {}

} // namespace wiper
