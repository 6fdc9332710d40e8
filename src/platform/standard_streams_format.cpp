// What both systems' writers share: printf's formatting into one write.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/standard_streams.h"

namespace wiper {

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

} // namespace wiper
