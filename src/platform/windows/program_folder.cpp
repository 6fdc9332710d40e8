#include "platform/program_folder.h"

#include <string>

#include "common/failure.h"
#include "platform/windows/text.h"

namespace wiper {

std::string program_folder() {
    // The executable's own path, in UTF-16, so a folder named in any script is found.
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (n == 0)
            throw Failure(FailureKind::file_access,
                          "cannot find the folder that holds the program: " + windows::reason(GetLastError()));
        if (n < exe.size()) {
            exe.resize(n);
            break;
        }
        if (exe.size() >= 32768) // the longest path Windows has
            throw Failure(FailureKind::file_access, "cannot find the folder that holds the program: its path is too long");
        exe.resize(exe.size() * 2);
    }
    const std::size_t slash = exe.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        throw Failure(FailureKind::file_access,
                      "cannot find the folder that holds the program: " + windows::narrow(exe) + " names no folder");
    // "C:\wiper-render.exe" lives in "C:\", not in "C:" (the drive's working folder).
    const std::size_t end = (slash > 0 && exe[slash - 1] == L':') ? slash + 1 : slash;
    return windows::narrow(exe.substr(0, end));
}

} // namespace wiper
