#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace wiper {

// Reads a settings or part file as a stream of fields, however they are spread
// over lines. Fields are separated by commas or line ends (CR, LF or CRLF); a run
// of line ends, blank lines included, is one separator. Spaces and tabs before a
// field, and after a number up to its separator, are skipped. Every failure
// names the file and the line.
class FieldReader {
public:
    // `text` is the whole file in any encoding decode_text reads; `name` is how
    // failures name it. `between` is called as a large text is decoded and
    // scanned, so a stop can end its reading.
    FieldReader(std::string text, std::string name, std::function<void()> between = {});

    // True when nothing but spaces and line ends is left.
    bool at_end();

    // An optional leading minus and decimal digits, within signed 32 bits.
    // Anything else is an invalid number; nothing left is a read past the end.
    std::int32_t read_number();
    // The same, but a field that is not a whole 32-bit number fails with
    // `rule` in its message, which says what the field must be ("the required
    // share is a whole percent from 0 to 100"): "98.5" or "98%" is then
    // answered by what the file asks of it.
    std::int32_t read_number(const std::string& rule);

    // A text field: in double quotes it takes everything up to the closing quote
    // (only spaces may follow it before the separator); unquoted it runs to the
    // next comma or line end and loses its trailing spaces.
    std::string read_text();

    // The line the next field starts on, counted from 1.
    std::size_t line() const { return line_; }
    const std::string& name() const { return name_; }

private:
    bool is_space(char c) const { return c == ' ' || c == '\t'; }
    bool is_line_end(char c) const { return c == '\r' || c == '\n'; }
    void skip_spaces();
    void skip_blank();
    void consume_separator();
    void take_line_end();
    [[noreturn]] void fail_past_end(const char* what) const;
    std::int32_t read_number_or(const std::string* rule);
    // Calls between_ once every 64 Ki characters scanned.
    static constexpr std::size_t scan_block = std::size_t{1} << 16;
    void scanned() {
        if (++scanned_ % scan_block == 0 && between_) between_();
    }
    // The first position from `at` on whose character `keep` refuses, or the end.
    template <class Keep>
    std::size_t scan_while(std::size_t at, Keep keep) const;

    std::string text_;
    std::string name_;
    std::function<void()> between_;
    std::size_t scanned_ = 0;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

// Opens and reads a whole text file of at most 64 MiB. A missing file is file
// not found (path not found when its folder is missing); anything else that
// stops the read, a larger file among them, is a file access failure. Every
// failure carries `path`. `between` is called between the pieces it is read
// in, so a stop can end the reading of a large file.
std::string read_text_file(const std::string& path, const std::function<void()>& between = {});

} // namespace wiper
