#pragma once

#include "platform/standard_streams.h"

namespace wiper {

// Keeps what a library prints on the standard streams while it is busy (a
// window toolkit starting, or closing: libwayland's "XDG_RUNTIME_DIR is
// invalid", say) off them, so that every line the user reads there is the
// program's own. For as long as it lives, standard output and standard error
// lead nowhere; afterwards they lead where they did before, closed ones
// closed again. The program itself must print nothing meanwhile; what
// `streams` keeps for standard output is written before.
class QuietOutput {
public:
    explicit QuietOutput(StandardStreams& streams);
    ~QuietOutput();
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    int saved_[2] = {-1, -1}; // where descriptors 1 and 2 led; -1 when they were closed
    bool active_ = false;
};

} // namespace wiper
