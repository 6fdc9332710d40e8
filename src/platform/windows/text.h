#pragma once
// UTF-8 inside the program, UTF-16 at the Windows API: the wide functions are
// the only ones that reach every file name, whatever the ANSI code page.
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace wiper::windows {

// Throws a file access failure for text that is not UTF-8 (it can name no file).
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);
// The system's own words for an error code, on one line.
std::string reason(DWORD error);

} // namespace wiper::windows
