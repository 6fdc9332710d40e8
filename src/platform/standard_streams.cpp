// What both systems' writers share: printf's formatting, and standard output
// kept for one larger write, as the C library kept it.
#include "platform/standard_streams.h"

#include <cstdarg>
#include <cstdio>

#include "platform/stream_writes.h"

namespace wiper {

namespace {

// Standard output, unless it is a terminal, is written in blocks of this size
// and when the program has said all it had to, as the C library's buffered
// stream wrote it: a reader that takes one line and goes (`| head -1`) has
// had the whole report written by then, and the run ends as it always did.
constexpr std::size_t output_block = 4096;

std::size_t index_of(StandardStream stream) { return stream == StandardStream::out ? 0 : 1; }

} // namespace

StandardStreams::StandardStreams() : output_on_terminal_(stream_writes::is_terminal(StandardStream::out)) {}

bool StandardStreams::write(StandardStream stream, std::string_view text) {
    if (stream == StandardStream::err || output_on_terminal_) return write_now(stream, text);
    pending_output_.append(text);
    return pending_output_.size() < output_block || flush_output();
}

bool StandardStreams::flush_output() {
    if (pending_output_.empty()) return true;
    std::string text;
    text.swap(pending_output_);
    return write_now(StandardStream::out, text);
}

bool StandardStreams::print(StandardStream stream, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return write(stream, text);
}

bool StandardStreams::is_terminal(StandardStream stream) const { return stream_writes::is_terminal(stream); }

bool StandardStreams::write_failed(StandardStream stream) const { return failed_[index_of(stream)]; }

bool StandardStreams::write_now(StandardStream stream, std::string_view text) {
    switch (stream_writes::write_now(stream, text, dropped_after_stop_)) {
    case stream_writes::Written::whole:
        return true;
    case stream_writes::Written::refused:
        failed_[index_of(stream)] = true;
        return false;
    case stream_writes::Written::dropped:
        dropped_after_stop_ = true;
        return false;
    }
    return false;
}

} // namespace wiper
