// wiper-render: renders the frames of a windscreen wiper's sweep.
#include <string>
#include <vector>

#include "app/program_main.h"
#include "platform/standard_streams.h"

// On POSIX systems the arguments already arrive as the bytes of their names.
int main(int argc, char** argv) {
    // Made here, not in program_main: its handlers report through the streams too.
    wiper::StandardStreams streams;
    const int status = program_main(std::vector<std::string>(argv + 1, argv + argc), streams);
    // Whatever standard output still keeps goes out at the end, as the C library's stream did.
    streams.flush_output();
    return status;
}
