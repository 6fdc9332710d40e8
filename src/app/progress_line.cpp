#include "app/progress_line.h"

#include <cstdio>

#include "common/utf8.h"

namespace wiper {

namespace {

// Cut to fit an 80-column terminal: a wrapped line could not be erased with a
// carriage return.
std::string fitted(const std::string& s) {
    constexpr std::size_t widest = 79;
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!is_utf8_continuation(s[i]) && ++n > widest) return s.substr(0, i);
    return s;
}

} // namespace

std::size_t text_columns(const std::string& text) {
    std::size_t n = 0;
    for (const char c : text) n += !is_utf8_continuation(c); // continuation bytes take none
    return n;
}

void ProgressLine::update(const std::string& text) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_columns_ > 0 && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const std::string line = fitted(text);
    const std::size_t cols = text_columns(line);
    // Spaces over whatever is left of a longer line drawn before.
    const std::string pad(shown_columns_ > cols ? shown_columns_ - cols : 0, ' ');
    streams_.write(StandardStream::err, "\r" + line + pad);
    shown_columns_ = cols;
}

void ProgressLine::erase() {
    if (!enabled_ || shown_columns_ == 0) return;
    std::string blank(shown_columns_ + 2, ' ');
    blank.front() = blank.back() = '\r';
    streams_.write(StandardStream::err, blank);
    shown_columns_ = 0;
}

} // namespace wiper
