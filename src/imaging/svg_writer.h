#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "imaging/colour.h"
#include "imaging/file_io.h"

namespace wiper {

// What an SVG picture is made of, as text, and its save.

// `text` as XML character data or an attribute value: & < > " ' become
// entities, and U+FFFE and U+FFFF, which XML refuses, become \ufffe and
// \uffff. `text` must be UTF-8 without control characters (see printable).
std::string xml_escaped(std::string_view text);

// A coordinate or length in user units, to the hundredth, rounded to the
// nearest, without trailing zeros: "12", "-0.5", "3.25". The same on every
// platform, whatever the C library's printf does.
std::string svg_number(double value);

// "#rrggbb".
std::string svg_colour(Colour colour);

// The document's start: an SVG picture `width` x `height` user units large,
// shown at that many pixels, whose user unit is a pixel: pixel (x, y) is the
// unit square centred on (x, y), so the view box runs from (-0.5, -0.5).
std::string svg_begin(std::int32_t width, std::int32_t height);
// The document's end.
std::string svg_end();

// Saves `document` whole as the file `path`, through a hidden file renamed
// into place (see replace_file); `what` names it in failures. `between_pieces`
// as replace_file takes it: a stop it throws abandons the new file and leaves
// the old one as it was.
void save_svg(std::string_view document, const std::string& path, const FileDescription& what,
              const std::function<void()>& between_pieces = {});

} // namespace wiper
