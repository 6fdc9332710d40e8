// The wiped field's vector picture through the real program: each region
// read back from the file encloses as many pixels as the report counts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "field/field_text.h"
#include "support/run_binary.h"
#include "support/svg_paths.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;

// The name the report prints for an escaped one in the picture.
std::string unescaped(std::string text) {
    for (const auto& [entity, c] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}})
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, std::string(entity).size(), c);
    return text;
}

TEST(FieldVector, RegionsEncloseTheReportsCounts) {
    test::TempFolder dir;
    fs::copy(fs::path(WIPER_EXAMPLES) / "wiper", dir.path(), fs::copy_options::recursive);
    // A name that XML must escape.
    fs::rename(dir / "zone_A.txt", dir / "zone_A&'.txt");
    const test::RunResult r = test::run_program(WIPER_BINARY, {"--wiped", "--headless", dir.str()});
    ASSERT_EQ(r.status, 40) << r.err; // zone B is short

    // "  name   12345 px..." for the parts and together; "  name   79.2% of 93771 px wiped..." for the zones.
    std::map<std::string, std::pair<std::string, std::uint64_t>> report;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string name, first, of;
        std::uint64_t count = 0;
        if (line.rfind("  ", 0) != 0 || !(words >> name >> first)) continue;
        if (first.back() == '%') words >> of >> count;
        else count = std::stoull(first);
        report[name] = {first, count};
    }
    const std::string svg = test::slurp(dir / "buffer" / "wiper_wiped.svg");
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
    EXPECT_NE(svg.find("width=\"753\" height=\"394\" viewBox=\"-0.5 -0.5 753 394\""), std::string::npos);
    EXPECT_NE(svg.find("class=\"legend\""), std::string::npos);

    std::map<std::string, int> regions;
    for (const test::SvgPath& path : test::svg_paths(svg)) {
        const std::string name = path.what == "together" ? "together" : unescaped(path.file);
        if (path.what == "zone") {
            EXPECT_TRUE(report.count(name)) << name;
        }
        if (path.what != "field" && path.what != "together" && path.what != "unwiped") continue;
        ++regions[path.what];
        const test::PathArea area = test::path_area(path.d);
        EXPECT_TRUE(area.ok) << path.what << " " << name;
        ASSERT_TRUE(report.count(name)) << path.what << " " << name << "\n" << r.out;
        const auto [first, count] = report[name];
        if (path.what != "unwiped") {
            EXPECT_EQ(area.area, static_cast<double>(count)) << name;
            continue;
        }
        // Unwiped: the zone's pixels less those wiped, which the share shows.
        ASSERT_LE(area.area, static_cast<double>(count)) << name;
        EXPECT_EQ(percent_text(count - static_cast<std::uint64_t>(area.area), count), first) << name;
        EXPECT_NE(svg.find(">" + path.file + ": " + first + " wiped, "), std::string::npos) << name; // its label
    }
    EXPECT_EQ(regions, (std::map<std::string, int>{{"field", 2}, {"together", 1}, {"unwiped", 2}}));
    EXPECT_NE(svg.find("data-file=\"zone_A&amp;&apos;.txt\""), std::string::npos);
}

} // namespace
} // namespace wiper
