// Feeds arbitrary bytes to the settings and part file reader. The first byte
// chooses, bit by bit, whether each field is read as a number or as a text,
// so both kinds of field meet every separator and quoting the rest can hold.
// A Failure is how the reader refuses a bad file; anything else is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "batch/field_reader.h"
#include "common/failure.h"

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

bool has_line_end(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned kinds = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    // Decoding refuses a broken UTF-16 file before any field is read.
    std::optional<wiper::FieldReader> made;
    try {
        made.emplace(text, "fuzz.txt");
    } catch (const wiper::Failure& f) {
        require(std::string(f.what()).find("fuzz.txt") != std::string::npos);
        return 0;
    }
    wiper::FieldReader& reader = *made;

    std::size_t lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++lines;

    std::size_t last_line = reader.line();
    // Every successful read takes at least one byte, so the text bounds the reads;
    // one more than that means the reader stopped making progress.
    for (std::size_t fields = 0;; ++fields) {
        require(fields <= text.size() + 1);
        try {
            if (reader.at_end()) {
                // Past the end every read must say so, not invent a field.
                try {
                    (kinds >> (fields % 8)) & 1 ? (void)reader.read_text() : (void)reader.read_number();
                    std::abort();
                } catch (const wiper::Failure& f) {
                    require(f.kind() == wiper::FailureKind::read_past_end);
                }
                break;
            }
            if ((kinds >> (fields % 8)) & 1) {
                const std::string value = reader.read_text();
                // A field holds a separator only when it was quoted, and a quoted
                // field ends at its first inner quote, so never both.
                require(value.find('"') == std::string::npos ||
                        (value.find(',') == std::string::npos && !has_line_end(value)));
            } else {
                (void)reader.read_number();
            }
        } catch (const wiper::Failure& f) {
            // Refusals name the file so the one-line report can point at it.
            require(std::string(f.what()).find("fuzz.txt") != std::string::npos);
            break;
        }
        require(reader.line() >= last_line && reader.line() <= lines);
        last_line = reader.line();
    }
    return 0;
}
