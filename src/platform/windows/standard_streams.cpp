#include "platform/stream_writes.h"

#include <algorithm>
#include <atomic>
#include <string>

#include <windows.h>

#include "platform/windows/standard_streams.h"

namespace wiper {

namespace {

// Set around each write to a standard stream only, never around a frame
// file's: the handler of stop requests may end the process while it is set.
// At namespace scope because the console's handler runs on a thread of the
// system's with no context to be given, so an atomic here is its only way in.
std::atomic<std::uint64_t> write_began{0};

} // namespace

namespace windows {
std::uint64_t standard_write_began() { return write_began.load(); }
} // namespace windows

namespace stream_writes {

bool is_terminal(StandardStream stream) {
    const HANDLE handle = GetStdHandle(stream == StandardStream::out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR;
}

// A stop never drops output here (`after_drop` is never true): a write that
// waits past it ends the process (see stop_requests.cpp), with the stopped status.
Written write_now(StandardStream stream, std::string_view text, bool) {
    const HANDLE handle = GetStdHandle(stream == StandardStream::out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return Written::refused;
    // Line ends as the C runtime's text mode writes them, to a console, a
    // file or a pipe alike.
    std::string bytes;
    bytes.reserve(text.size() + 16);
    for (const char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD step = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        write_began.store(GetTickCount64());
        const BOOL ok = WriteFile(handle, bytes.data() + done, step, &written, nullptr);
        write_began.store(0);
        if (!ok || written == 0) return Written::refused;
        done += written;
    }
    return Written::whole;
}

} // namespace stream_writes

} // namespace wiper
