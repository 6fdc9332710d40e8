// wiper-render: renders the frames of a windscreen wiper's sweep.
// The Windows entry point: the arguments come from the wide command line, so a
// folder name outside the ANSI code page reaches the program intact, and the
// console shows the program's UTF-8 messages as they are.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/program_main.h"
#include "platform/standard_streams.h"
#include "platform/windows/text.h"

namespace {

std::vector<std::string> utf8_arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return args;
    for (int i = 1; i < count; ++i) args.push_back(wiper::windows::narrow(wide[i]));
    LocalFree(wide);
    return args;
}

} // namespace

int main() {
    // The console's code page outlives us and belongs to whoever opened it,
    // so it is put back afterwards. Output to a file or pipe is UTF-8 either way.
    const UINT console_page = GetConsoleOutputCP();
    if (console_page != 0) SetConsoleOutputCP(CP_UTF8);
    // Made here, not in program_main: its handlers report through the streams too.
    wiper::StandardStreams streams;
    const int status = program_main(utf8_arguments(), streams);
    // Whatever standard output still keeps goes out at the end, as the C runtime's stream did.
    streams.flush_output();
    if (console_page != 0 && console_page != CP_UTF8) SetConsoleOutputCP(console_page);
    return status;
}
