// What both systems' writers share: printf's formatting, and standard output
// kept for one larger write, as the C library kept it.
#include "platform/standard_streams.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/stream_writes.h"

namespace wiper {

namespace {

// Standard output, unless it is a terminal, is written in blocks of this size
// and when the program has said all it had to, as the C library's buffered
// stream wrote it: a reader that takes one line and goes (`| head -1`) has
// had the whole report written by then, and the run ends as it always did.
constexpr std::size_t output_block = 4096;
// Standard output's text not yet written: the process's own, as the stream is.
std::string pending_output;

} // namespace

bool write_standard(StandardStream stream, std::string_view text) {
    static const bool output_on_terminal = stream_writes::is_terminal(StandardStream::out);
    if (stream == StandardStream::err || output_on_terminal) return stream_writes::write_now(stream, text);
    pending_output.append(text);
    return pending_output.size() < output_block || flush_standard_output();
}

bool flush_standard_output() {
    if (pending_output.empty()) return true;
    std::string text;
    text.swap(pending_output);
    return stream_writes::write_now(StandardStream::out, text);
}

bool print_standard(StandardStream stream, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return write_standard(stream, text);
}

bool standard_stream_is_terminal(StandardStream stream) { return stream_writes::is_terminal(stream); }

} // namespace wiper
