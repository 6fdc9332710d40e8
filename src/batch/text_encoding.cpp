#include "batch/text_encoding.h"

#include <cstdint>

#include "common/failure.h"
#include "common/utf8.h"

namespace wiper {

namespace {

// How many bytes are converted between two calls of `between`.
constexpr std::size_t between_bytes = std::size_t{1} << 16;

// Lines counted as the field reader counts them: CR, LF and CRLF each end one.
std::size_t line_of(const std::string& text) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++line;
    return line;
}

std::string from_utf16(const std::string& bytes, bool big_endian, const std::string& name,
                       const std::function<void()>& between) {
    std::string out;
    out.reserve(bytes.size());
    const auto unit_at = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
    };
    const auto fail = [&](const std::string& why) {
        throw Failure(FailureKind::file_access,
                      name + " line " + std::to_string(line_of(out)) + ": cannot be read as UTF-16: " + why);
    };
    if (bytes.size() % 2 != 0) fail("it ends in half a character");
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        if (between && i % between_bytes < 2) between();
        std::uint32_t c = unit_at(i);
        if (c >= 0xDC00 && c <= 0xDFFF) fail("a second half of a surrogate pair stands alone");
        if (c >= 0xD800 && c <= 0xDBFF) {
            const std::uint32_t low = i + 3 < bytes.size() ? unit_at(i + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF) fail("a first half of a surrogate pair stands alone");
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        append_utf8(out, c);
    }
    return out;
}

// Windows-1252 bytes 0x80 to 0x9F; the five it leaves undefined map to the
// control character of the same number, as Windows itself converts them.
constexpr std::uint16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string from_cp1252(const std::string& bytes, const std::function<void()>& between) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (between && i % between_bytes == 0) between();
        const auto b = static_cast<unsigned char>(bytes[i]);
        append_utf8(out, b >= 0x80 && b < 0xA0 ? cp1252_high[b - 0x80] : b);
    }
    return out;
}

} // namespace

std::string decode_text(const std::string& bytes, const std::string& name, const std::function<void()>& between) {
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) return from_utf16(bytes, false, name, between);
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) return from_utf16(bytes, true, name, between);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
    if (is_utf8(bytes)) return bytes;
    if (between) between();
    return from_cp1252(bytes, between);
}

} // namespace wiper
