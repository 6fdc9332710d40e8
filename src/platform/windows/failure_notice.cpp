#include "platform/failure_notice.h"

#include <windows.h>

#include "platform/windows/text.h"

namespace wiper {

void notify_failure(const std::string& line) {
    // The only process on a console whose window is on the screen: Windows
    // made that window for this program (a double-click in Explorer), and it
    // vanishes when we end. A console shared with a shell stays to be read;
    // so does a terminal that hosts the console without showing its window
    // (Windows Terminal keeps a failed program's tab open; Wine writes to the
    // Unix terminal it was started from), and a message box there would only
    // hold up a run nobody watches.
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1) return;
    const HWND console = GetConsoleWindow();
    if (console == nullptr || !IsWindowVisible(console)) return;
    MessageBoxW(nullptr, wiper::windows::widen(line).c_str(), L"wiper-render", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

} // namespace wiper
