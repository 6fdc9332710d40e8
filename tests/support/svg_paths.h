#pragma once
#include <sstream>
#include <string>
#include <vector>

namespace wiper::test {

// What a path's data encloses, read back from its text: absolute M, H, V, L, Z only.
struct PathArea {
    double area = 0; // the rings' signed areas (shoelace, y down), added
    int clockwise = 0, counter_clockwise = 0;
    bool ok = true;  // only those commands, each ring closed, straight runs merged
};

inline PathArea path_area(const std::string& d) {
    PathArea result;
    std::istringstream in(d);
    double x = 0, y = 0, x0 = 0, y0 = 0, ring = 0;
    char last = 'Z';
    for (std::string word; in >> word; last = word[0]) {
        const char c = word[0];
        double nx = x, ny = y;
        if (c == 'M') {
            result.ok &= last == 'Z';
            in >> x0 >> y0;
            x = x0, y = y0, ring = 0;
            continue;
        }
        result.ok &= (c == 'H' || c == 'V' || c == 'L' || c == 'Z') && (c != last || c == 'L');
        if (c == 'H' || c == 'L') in >> nx;
        if (c == 'V' || c == 'L') in >> ny;
        if (c == 'Z') nx = x0, ny = y0;
        ring += x * ny - nx * y;
        x = nx, y = ny;
        if (c == 'Z') ++(ring > 0 ? result.clockwise : result.counter_clockwise), result.area += ring / 2;
    }
    result.ok &= last == 'Z' && !in.bad();
    return result;
}

// The <path> elements of an SVG document: class, data-file (empty without one) and d.
struct SvgPath {
    std::string what, file, d;
};

inline std::vector<SvgPath> svg_paths(const std::string& svg) {
    std::vector<SvgPath> paths;
    for (std::size_t at = svg.find("<path "); at != std::string::npos; at = svg.find("<path ", at + 1)) {
        const std::string element = svg.substr(at, svg.find('>', at) - at);
        const auto value = [&](const std::string& name) {
            const std::size_t begin = element.find(" " + name + "=\"");
            const std::size_t from = begin + name.size() + 3;
            return begin == std::string::npos ? std::string() : element.substr(from, element.find('"', from) - from);
        };
        paths.push_back({value("class"), value("data-file"), value("d")});
    }
    return paths;
}

} // namespace wiper::test
