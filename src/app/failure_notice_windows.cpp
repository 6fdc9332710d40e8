#include "app/failure_notice.h"

#include <windows.h>

#include "app/utf16.h"

namespace wiper {

void notify_failure(const std::string& line) {
    // The only process on its console: Windows made the console for this
    // program (a double-click in Explorer), and it vanishes when we end.
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1) return;
    MessageBoxW(nullptr, utf8_to_utf16(line).c_str(), L"wiper-render", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

} // namespace wiper
