#include "imaging/svg_writer.h"

#include "common/decimal_text.h"

#include <cmath>
#include <cstdio>
#include <span>

namespace wiper {

std::string xml_escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        case '\'': out += "&apos;"; continue;
        default: break;
        }
        // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
        if (static_cast<unsigned char>(c) == 0xEF && i + 2 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE) {
            out += static_cast<unsigned char>(text[i + 2]) == 0xBE ? "\\ufffe" : "\\uffff";
            i += 2;
            continue;
        }
        out += c;
    }
    return out;
}

std::string svg_number(double value) { return decimal_text(value, 2, false); }

std::string svg_colour(Colour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
    return text;
}

std::string svg_begin(std::int32_t width, std::int32_t height) {
    const std::string w = std::to_string(width), h = std::to_string(height);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
           "\" viewBox=\"-0.5 -0.5 " + w + " " + h + "\">\n";
}

std::string svg_end() { return "</svg>\n"; }

void save_svg(std::string_view document, const std::string& path, const FileDescription& what,
              const std::function<void()>& between_pieces) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(document.data()), document.size());
    replace_file(path, {}, bytes, what, {}, {}, between_pieces);
}

} // namespace wiper
