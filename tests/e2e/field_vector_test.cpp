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

TEST(FieldVector, RegionsEncloseTheReportsCounts) {
    test::TempFolder dir;
    fs::copy(fs::path(WIPER_EXAMPLES) / "wiper", dir.path(), fs::copy_options::recursive);
    fs::rename(dir / "zone_A.txt", dir / "zone_A&'.txt"); // a name XML escapes
    const test::RunResult r = test::run_program(WIPER_BINARY, {"--wiped", "--headless", dir.str()});
    ASSERT_EQ(r.status, 40) << r.err; // zone B is short

    // "  NAME   12345 px..." for the parts and together, "  NAME   79.2% of 93771 px wiped..." for the zones.
    std::map<std::string, std::pair<std::string, std::uint64_t>> report;
    std::istringstream lines(r.out);
    for (std::string line, name, first, of; std::getline(lines, line);) {
        std::istringstream words(line);
        std::uint64_t count = 0;
        if (line.rfind("  ", 0) != 0 || line.rfind("  closest approach", 0) == 0 || !(words >> name >> first)) continue;
        if (first.back() == '%') words >> of >> count;
        report[name] = {first, first.back() == '%' ? count : std::stoull(first)};
    }
    report["zone_A&amp;&apos;.txt"] = report["zone_A&'.txt"];
    const std::string svg = test::slurp(dir / "buffer" / "wiper_wiped.svg");
    EXPECT_NE(svg.find("width=\"753\" height=\"394\" viewBox=\"-0.5 -0.5 753 394\""), std::string::npos);
    EXPECT_NE(svg.find("<g class=\"legend\""), std::string::npos);
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);

    std::map<std::string, int> regions;
    for (const test::SvgPath& path : test::svg_paths(svg)) {
        if (path.what != "field" && path.what != "together" && path.what != "unwiped") continue;
        ++regions[path.what];
        const std::string name = path.what == "together" ? "together" : path.file;
        ASSERT_TRUE(report.count(name)) << name << "\n" << r.out;
        const auto [first, count] = report[name];
        const test::PathArea area = test::path_area(path.d);
        EXPECT_TRUE(area.ok) << name;
        if (path.what != "unwiped") {
            EXPECT_EQ(area.area, static_cast<double>(count)) << name;
            continue;
        }
        // The zone's pixels less those wiped, which its share and its label show.
        ASSERT_LE(area.area, static_cast<double>(count)) << name;
        EXPECT_EQ(percent_text(count - static_cast<std::uint64_t>(area.area), count), first) << name;
        EXPECT_NE(svg.find(">" + name + ": " + first + " wiped, "), std::string::npos) << name;
    }
    EXPECT_EQ(regions, (std::map<std::string, int>{{"field", 2}, {"together", 1}, {"unwiped", 2}}));
}

} // namespace
} // namespace wiper
