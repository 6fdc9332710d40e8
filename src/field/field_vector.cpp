#include "field/field_vector.h"

#include <algorithm>
#include <charconv>

#include "common/failure.h"
#include "field/field_picture.h"
#include "field/field_text.h"
#include "field/mask_outline.h"
#include "imaging/svg_writer.h"

namespace wiper {

namespace {

// What the picture is called when it cannot be written.
constexpr FileDescription wiped_field_vector{"the wiped field's vector picture", "the wiped field's vector picture"};

// The line that joins the two nearest points of a closest approach.
constexpr Colour field_clearance{230, 140, 0}; // orange

// The legend: the colours and words of the README's table, which both pictures share.
struct LegendRow {
    Colour colour;
    const char* words;
    bool line; // drawn as a line, not a filled square
};
constexpr LegendRow legend_rows[] = {
    {field_unwiped, "not wiped", false},
    {field_wiped_once, "wiped by one part", false},
    {field_wiped_twice, "wiped by two or more parts", false},
    {field_zone_unwiped, "inside a zone, not wiped", false},
    {field_zone_outline, "a zone's outline", true},
    {field_glass_edge, "the glass's outline, and the edge of its counted area", true},
    {field_clearance, "the closest approach of two wipers", true},
};

void append_int(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// Pixel corner c, from 0 to the picture's size, lies at c - 0.5 in user units.
void append_corner(std::string& out, std::int32_t c) {
    if (c == 0) {
        out += "-0.5";
        return;
    }
    append_int(out, c - 1);
    out += ".5";
}

} // namespace

std::string region_path(const PixelMask& mask, const std::function<void()>& between) {
    const MaskOutline outline = trace_outline(mask, between);
    std::string d;
    d.reserve(outline.corners.size() * 8);
    std::size_t begin = 0;
    for (const std::size_t end : outline.ring_ends) {
        const PixelCorner first = outline.corners[begin];
        d += d.empty() ? "M " : " M ";
        append_corner(d, first.x);
        d += ' ';
        append_corner(d, first.y);
        PixelCorner at = first;
        for (std::size_t i = begin + 1; i < end; ++i) {
            const PixelCorner next = outline.corners[i];
            if (next.x != at.x) {
                d += " H ";
                append_corner(d, next.x);
            } else {
                d += " V ";
                append_corner(d, next.y);
            }
            at = next;
        }
        d += " Z";
        begin = end;
    }
    return d;
}

namespace {

std::string file_attribute(const std::string& name) { return " data-file=\"" + xml_escaped(printable(name)) + "\""; }

// A region: the pixels of `mask`, following their edges.
void append_region(std::string& svg, const char* what, const std::string& attributes, const PixelMask& mask,
                   const std::function<void()>& between) {
    svg += "<path class=\"";
    svg += what;
    svg += '"';
    svg += attributes;
    svg += " fill-rule=\"evenodd\" d=\"";
    svg += region_path(mask, between);
    svg += "\"/>\n";
}

// An outline through a file's own vertices, pixel centres in user units.
void append_outline(std::string& svg, const char* what, const std::string& name,
                    const std::vector<screen_point>& points, Colour colour, double line) {
    svg += "<path class=\"";
    svg += what;
    svg += '"' + file_attribute(name) + " fill=\"none\" stroke=\"" + svg_colour(colour) +
           "\" stroke-width=\"" + svg_number(line) + "\" stroke-linejoin=\"round\" d=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        svg += i == 0 ? "M " : " L ";
        append_int(svg, points[i].x);
        svg += ' ';
        append_int(svg, points[i].y);
    }
    svg += " Z\"/>\n";
}

// Where the labels go: each as near its place as it can be without covering
// another label or the legend, moved down a line at a time.
class Labels {
public:
    Labels(std::string& svg, int size, double bottom) : svg_(svg), size_(size), bottom_(bottom) {}

    void keep_clear(double left, double top, double right, double bottom) { taken_.push_back({left, top, right, bottom}); }

    // Dark text on a light halo, readable over any region, centred on x, its baseline near y.
    void add(double x, double y, const std::string& text) {
        const double half = static_cast<double>(text.size()) * size_ * 0.28;
        Box box{x - half, y - size_, x + half, y + size_ * 0.3};
        for (int tries = 0; tries < 50 && box.bottom + size_ * 1.3 < bottom_ && covers(box); ++tries)
            box.top += size_ * 1.3, box.bottom += size_ * 1.3;
        taken_.push_back(box);
        svg_ += "<text x=\"" + svg_number(x) + "\" y=\"" + svg_number(box.top + size_) + "\" font-size=\"" +
                std::to_string(size_) + "\" text-anchor=\"middle\" stroke=\"#ffffff\" stroke-width=\"" +
                svg_number(size_ / 5.0) + "\" paint-order=\"stroke\">" + xml_escaped(text) + "</text>\n";
    }

private:
    struct Box {
        double left, top, right, bottom;
    };
    bool covers(const Box& b) const {
        return std::any_of(taken_.begin(), taken_.end(), [&](const Box& t) {
            return b.left < t.right && t.left < b.right && b.top < t.bottom && t.top < b.bottom;
        });
    }

    std::string& svg_;
    int size_;
    double bottom_;
    std::vector<Box> taken_;
};

// Returns the right and bottom edges of its box.
std::pair<double, double> append_legend(std::string& svg, int size) {
    const double row = size * 1.5, pad = size * 0.5;
    std::size_t longest = 0;
    for (const LegendRow& r : legend_rows) longest = std::max(longest, std::string(r.words).size());
    const double width = pad * 2 + size * 1.5 + static_cast<double>(longest) * size * 0.55;
    const double height = pad * 2 + row * static_cast<double>(std::size(legend_rows));
    const double left = -0.5 + pad, top = -0.5 + pad; // the top-left corner, a little in
    svg += "<g class=\"legend\" font-size=\"" + std::to_string(size) + "\">\n";
    svg += "<rect x=\"" + svg_number(left) + "\" y=\"" + svg_number(top) + "\" width=\"" + svg_number(width) +
           "\" height=\"" + svg_number(height) + "\" fill=\"#ffffff\" fill-opacity=\"0.85\" stroke=\"#000000\"/>\n";
    double y = top + pad;
    for (const LegendRow& r : legend_rows) {
        const double x = left + pad, middle = y + row / 2;
        if (r.line)
            svg += "<line x1=\"" + svg_number(x) + "\" y1=\"" + svg_number(middle) + "\" x2=\"" + svg_number(x + size) +
                   "\" y2=\"" + svg_number(middle) + "\" stroke=\"" + svg_colour(r.colour) + "\" stroke-width=\"" +
                   svg_number(std::max(1.0, size / 6.0)) + "\"/>\n";
        else
            svg += "<rect x=\"" + svg_number(x) + "\" y=\"" + svg_number(middle - size / 2.0) + "\" width=\"" +
                   std::to_string(size) + "\" height=\"" + std::to_string(size) + "\" fill=\"" + svg_colour(r.colour) +
                   "\" stroke=\"#000000\" stroke-width=\"0.5\"/>\n";
        svg += "<text x=\"" + svg_number(x + size * 1.5) + "\" y=\"" + svg_number(middle + size * 0.35) + "\">" +
               xml_escaped(r.words) + "</text>\n";
        y += row;
    }
    svg += "</g>\n";
    return {left + width, top + height};
}

} // namespace

void save_field_vector(const WipedField& field, const std::vector<Zone>& zones, const std::string& path,
                       const Hooks& hooks) {
    StopClock stop_clock(hooks, field_stopped_message);
    const std::function<void()> between = stop_clock.between();
    const PixelMask& wiped = *field.wiped_mask;
    const std::int32_t width = wiped.width(), height = wiped.height();
    // Labels stay readable when the picture is shown whole, and no smaller than 10 px.
    const int size = std::max(10, static_cast<int>(std::min(width, height) / 50));

    std::string svg = svg_begin(width, height);
    svg += "<g font-family=\"sans-serif\">\n";

    // Regions, pixel for pixel: each edge lies on the pixel grid, so they are drawn unsmoothed.
    svg += "<g stroke=\"none\" shape-rendering=\"crispEdges\">\n";
    const std::string once = " fill=\"" + svg_colour(field_wiped_once) + "\"";
    for (const auto& part : field.parts) append_region(svg, "field", file_attribute(part.name) + once, part.mask, between);
    append_region(svg, "together", " fill=\"none\"", wiped, between); // each part's field paints it already
    append_region(svg, "twice", " fill=\"" + svg_colour(field_wiped_twice) + "\"", *field.twice_mask, between);
    PixelMask unwiped(width, height);
    for (const auto& zone : field.zones) {
        unwiped = zone.counted;
        unwiped.remove(wiped);
        append_region(svg, "unwiped", file_attribute(zone.name) + " fill=\"" + svg_colour(field_zone_unwiped) + "\"",
                      unwiped, between);
    }
    svg += "</g>\n";

    // Outlines: the glass's and the zones' through their own vertices; the
    // glass's counted area along its pixels' edges.
    const double line = std::max(1.0, size / 8.0); // a pixel wide, wider when the picture is large
    if (field.glass) {
        append_outline(svg, "glass", field.glass->name, field.glass->outline, field_glass_edge, line);
        append_region(svg, "border",
                      file_attribute(field.glass->name) + " fill=\"none\" stroke=\"" + svg_colour(field_glass_edge) +
                          "\" stroke-width=\"" + svg_number(line) + "\" stroke-dasharray=\"" +
                          svg_number(4 * line) + " " + svg_number(2 * line) + "\"",
                      field.glass->masks.counted, between);
    }
    for (const Zone& zone : zones) append_outline(svg, "zone", zone.name, zone.outline, field_zone_outline, line);
    for (const Approach& a : field.clearance)
        if (!a.touch) // at a touch the two points are one
            svg += "<line class=\"clearance\" x1=\"" + svg_number(a.first_x) + "\" y1=\"" + svg_number(a.first_y) +
                   "\" x2=\"" + svg_number(a.second_x) + "\" y2=\"" + svg_number(a.second_y) + "\" stroke=\"" +
                   svg_colour(field_clearance) + "\" stroke-width=\"" + svg_number(line) + "\"/>\n";

    // Labels: each zone's share, at the middle of its vertices; each closest
    // approach, by its line. The legend goes over everything, in the top-left corner.
    std::string legend;
    const auto [legend_right, legend_bottom] = append_legend(legend, size);
    Labels labels(svg, size, height);
    labels.keep_clear(-0.5, -0.5, legend_right, legend_bottom);
    for (std::size_t i = 0; i < field.zones.size() && i < zones.size(); ++i) {
        const auto& share = field.zones[i];
        double x = 0, y = 0;
        for (const screen_point& p : zones[i].outline) x += p.x, y += p.y;
        const auto n = static_cast<double>(std::max<std::size_t>(1, zones[i].outline.size()));
        x = std::clamp(x / n, 0.0, static_cast<double>(width - 1));
        y = std::clamp(y / n, 0.0, static_cast<double>(height - 1));
        labels.add(x, y, printable(share.name) + ": " + percent_text(share.wiped, share.pixels) + " wiped, " +
                             std::to_string(share.required) + "% required");
    }
    for (const Approach& a : field.clearance)
        labels.add((a.first_x + a.second_x) / 2, (a.first_y + a.second_y) / 2 - size * 0.5,
                   "closest approach: " + approach_text(a));
    svg += legend;
    svg += "</g>\n";
    svg += svg_end();
    save_svg(svg, path, wiped_field_vector, between);
}

} // namespace wiper
