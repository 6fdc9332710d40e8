#include "platform/shared_library.h"

#include <windows.h>

#include "platform/windows/text.h"

namespace wiper {

SharedLibrary::SharedLibrary(const std::string& name) {
    // Only the system's search path for libraries, never the current folder.
    HMODULE module = LoadLibraryExW(windows::widen(name).c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (module == nullptr) {
        error_ = name + ": " + windows::reason(GetLastError());
        return;
    }
    handle_ = module;
}

void* SharedLibrary::symbol(const char* name) {
    if (handle_ == nullptr) return nullptr;
    FARPROC address = GetProcAddress(static_cast<HMODULE>(handle_), name);
    if (address == nullptr) {
        error_ = std::string(name) + ": " + windows::reason(GetLastError());
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

} // namespace wiper
