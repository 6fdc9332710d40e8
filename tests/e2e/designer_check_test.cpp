// The designer's check through the real program: the glass and its border,
// the zones counted on it, the clearance, and the mistakes a designer makes in
// these files. Each row is the bundled two-wiper example (753 x 394, zones A
// and B) with files written over it or taken away, and what the program must
// answer. Every row is run again with --json: the document says what the text
// said, and the vector picture's regions enclose the counts it gives.
// A new row names its files, its options and the answer: nothing else.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>

#include "support/run_binary.h"
#include "support/svg_paths.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using Json = nlohmann::ordered_json;

struct Row {
    const char* name;
    // Written into the example's folder in this order; no text takes the file away.
    std::vector<std::pair<std::string, std::optional<std::string>>> files;
    std::vector<std::string> args;
    int status = 0;
    std::vector<std::string> out = {};    // stdout holds each
    std::vector<std::string> err = {};    // stderr holds each
    std::vector<std::string> absent = {}; // stdout holds none of these
    int frames_before_failure = 0;        // a failure found after the frames of the parts before it
};
std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.name; }

const std::vector<std::string> wiped_only{"--wiped-only"};

// A glass of width x height pixels, outline included, `inset` px from the picture's corner.
std::string glass(int border, int inset, int width, int height) {
    const std::string x0 = std::to_string(inset), y0 = x0, x1 = std::to_string(inset + width - 1),
                      y1 = std::to_string(inset + height - 1);
    return std::to_string(border) + "\n" + x0 + "," + y0 + "\n" + x1 + "," + y0 + "\n" + x1 + "," + y1 + "\n" + x0 +
           "," + y1 + "\n";
}

std::string points(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += std::to_string(10 + i % 100) + "," + std::to_string(10 + i / 100) + "\n";
    return s;
}

// 714 x 355 glass pixels, of which (714 - 50) x (355 - 50) lie 25 px in from
// the edge; zones A and B lie inside those, so their lines stay as they were.
const std::string screen = glass(25, 20, 714, 355);
// Six pixels square in the picture's top left corner, where no blade goes.
const std::string corner = glass(0, 0, 6, 6);

class DesignerCheck : public testing::TestWithParam<Row> {};

test::RunResult run(const Row& row, const TempFolder& dir, bool json) {
    std::vector<std::string> args{"--headless"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    if (json) args.push_back("--json");
    args.push_back(dir.str());
    return test::run_program(WIPER_BINARY, args);
}

std::string xml_unescaped(std::string text) {
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"&apos;", "'"}, {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}})
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    return text;
}

// The run again with --json, after the text run `text` in the same folder.
void document_says_the_same(const Row& row, const TempFolder& dir, const test::RunResult& text) {
    const test::RunResult r = run(row, dir, true);
    EXPECT_EQ(r.status, text.status);
    EXPECT_EQ(r.err, text.err);
    if (text.status == 2 || (r.err.empty() && text.out.starts_with("usage: "))) { // not a run: no document
        EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;
        return;
    }
    const Json doc = Json::parse(r.out); // one document and nothing else, or this throws
    std::vector<std::string> keys, warnings;
    for (const auto& [key, value] : doc.items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"format", "status", "failure", "warnings", "parts", "frames", "field"}));
    EXPECT_EQ(doc["status"], r.status);
    std::istringstream err(r.err);
    std::string last;
    for (std::string line; std::getline(err, line); last = line)
        if (line.starts_with("wiper-render: warning: ")) warnings.push_back(line.substr(23));
    EXPECT_EQ(doc["warnings"], Json(warnings));
    const bool failed = r.status != 0 && r.status != 40;
    EXPECT_EQ(doc["failure"].is_null(), !failed);
    if (failed) {
        EXPECT_EQ(doc["failure"]["status"], r.status);
        EXPECT_EQ("wiper-render: " + doc["failure"]["message"].get<std::string>(), last);
        EXPECT_TRUE(last.starts_with("wiper-render: " + doc["failure"]["kind"].get<std::string>() + ": "));
        if (row.frames_before_failure) EXPECT_EQ(doc["frames"]["count"], row.frames_before_failure);
        else EXPECT_TRUE(doc["frames"].is_null());
        return;
    }

    // The text report, its columns' spaces squeezed, holds each thing the document says.
    const std::string out = std::regex_replace(text.out, std::regex(" +"), " ");
    std::vector<std::string> says;
    const auto n = [](const Json& v) { return v.dump(); };
    const auto str = [](const Json& v) { return v.get<std::string>(); };
    if (!doc["frames"].is_null())
        says.push_back("wiper-render: " + std::to_string(doc["parts"].size()) + " parts, " + n(doc["frames"]["count"]) +
                       " frames: " + str(doc["frames"]["first"]) + " to " + str(doc["frames"]["last"]) + "\n");
    const Json& field = doc["field"];
    if (field.is_null()) return;
    for (const Json& part : field["parts"])
        says.push_back(" " + str(part["file"]) + " " + n(part["pixels"]) + " px" +
                       (part["off_glass"].is_null() ? "\n" : ", " + n(part["off_glass"]) + " px off the glass\n"));
    says.push_back(" together " + n(field["together"]) + " px, ");
    says.push_back(" of the picture, " + n(field["by_two_or_more"]) + " px by two or more\n");
    if (!field["glass"].is_null())
        says.push_back(" " + str(field["glass"]["file"]) + " " + n(field["glass"]["pixels"]) + " px, " +
                       n(field["glass"]["counted"]) + " px counted (" + n(field["glass"]["border"]) +
                       " px in from its edge)\n");
    if (field["zones"].empty()) says.push_back(" zones none: no zone file in the folder\n");
    for (const Json& zone : field["zones"])
        says.push_back(" of " + n(zone["pixels"]) + " px wiped, " + n(zone["required"]) +
                       "% required: " + (zone["met"].get<bool>() ? "ok" : "short") + "\n");
    for (const Json& a : field["clearance"]) {
        const Json& touch = a["touch"];
        says.push_back(" closest approach " + str(a["parts"][0]) + " and " + str(a["parts"][1]) + ": " +
                       (touch.is_null() ? n(a["distance"]) + " px at frame " + n(a["frame"])
                        : touch[0] == touch[1] ? "touch at frame " + n(touch[0])
                                               : "touch between frame " + n(touch[0]) + " and frame " + n(touch[1])) +
                       "\n");
    }
    for (const std::string& line : says) EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;

    // Each region of the vector picture encloses the count the document gives it.
    std::map<std::pair<std::string, std::string>, std::uint64_t> counts{{{"together", ""}, field["together"]}};
    for (const Json& part : field["parts"]) counts[{"field", str(part["file"])}] = part["pixels"];
    for (const Json& zone : field["zones"])
        counts[{"unwiped", str(zone["file"])}] = zone["pixels"].get<std::uint64_t>() - zone["wiped"].get<std::uint64_t>();
    std::string vector = str(field["vector"]);
    std::replace(vector.begin(), vector.end(), '\\', '/');
    const std::string svg = test::slurp(dir / vector);
    EXPECT_NE(svg.find("width=\"753\" height=\"394\" viewBox=\"-0.5 -0.5 753 394\""), std::string::npos);
    EXPECT_NE(svg.find("<g class=\"legend\""), std::string::npos);
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
    for (const test::SvgPath& path : test::svg_paths(svg)) {
        const auto key = std::make_pair(path.what, xml_unescaped(path.file));
        if (path.what != "field" && path.what != "together" && path.what != "unwiped") continue;
        ASSERT_TRUE(counts.count(key)) << path.what << " " << key.second;
        const test::PathArea area = test::path_area(path.d);
        EXPECT_TRUE(area.ok) << key.second;
        EXPECT_EQ(area.area, static_cast<double>(counts[key])) << path.what << " " << key.second;
        counts.erase(key);
    }
    EXPECT_TRUE(counts.empty()) << "a region is missing from the vector picture";
}

TEST_P(DesignerCheck, AnswersAsTheDesignerNeeds) {
    const Row& row = GetParam();
    TempFolder dir;
    fs::copy(fs::path(WIPER_EXAMPLES) / "wiper", dir.path(), fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(dir / "buffer")) fs::remove(e.path());
    for (const auto& [name, text] : row.files)
        if (text) dir.write(name, *text); else fs::remove(dir / name);
    const test::RunResult r = run(row, dir, false);

    EXPECT_EQ(r.status, row.status) << r.err;
    for (const std::string& text : row.out) EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    for (const std::string& text : row.err) EXPECT_NE(r.err.find(text), std::string::npos) << text << "\n" << r.err;
    for (const std::string& text : row.absent) EXPECT_EQ(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    if (r.status != 0 && r.status != 40) {
        // A failure is one line, and found before the first frame it could spare.
        const std::string failure = test::without_warnings(r.err);
        EXPECT_EQ(std::count(failure.begin(), failure.end(), '\n'), 1) << r.err;
        const auto files = std::distance(fs::directory_iterator(dir / "buffer"), fs::directory_iterator());
        EXPECT_EQ(files, row.frames_before_failure) << "frames written before the failure";
    }
    document_says_the_same(row, dir, r);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DesignerCheck,
    testing::Values(
        Row{"GlassLineAndZonesCountedOnIt", {{"glass.txt", screen}}, wiped_only, 40,
            {"  together                        129256 px, 43.5% of the picture, 0 px by two or more\n"
             "  glass.txt                       253470 px, 202520 px counted (25 px in from its edge)\n"
             "  zone_A.txt                      100.0% of 18021 px wiped, 98% required: ok\n",
             "  coordinate_blade_left_nr.txt    64628 px, ", " px off the glass\n"}},
        Row{"EverythingOffAGlassInTheCorner", {{"zone_A.txt", {}}, {"zone_B.txt", {}}, {"GLASS", corner}}, wiped_only, 0,
            {"  coordinate_blade_left_nr.txt    64628 px, 64628 px off the glass\n"
             "  coordinate_blade_right_nr.txt   64628 px, 64628 px off the glass\n",
             "  GLASS                           36 px, 36 px counted (0 px in from its edge)\n"
             "  zones                           none: no zone file in the folder\n"}},
        Row{"ZonesNone", {{"zone_A.txt", {}}, {"zone_B.txt", {}}}, {"--wiped"}, 0,
            {"  together                        129256 px, 43.5% of the picture, 0 px by two or more\n"
             "  zones                           none: no zone file in the folder\n"},
            {}, {"off the glass", "counted"}},
        Row{"CopiesOfGlassAndZoneAreSkipped", {{"glass.txt~", "nonsense"}, {"zone_B.txt.bak", "nonsense"}}, wiped_only, 40,
            {"  zone_B.txt "},
            {"warning: glass.txt~ looks like a backup or editor copy",
             "warning: zone_B.txt.bak looks like a backup or editor copy"},
            {"glass.txt~ ", "off the glass"}},
        Row{"SeveralGlassFiles", {{"glass.txt", screen}, {"Glass_old.txt", screen}, {"glassy", screen}}, {"--wiped"}, 10,
            {}, {"file not found: ", "3 glass files, glass.txt, glassy and Glass_old.txt"}},
        Row{"GlassBorderNotWhole", {{"glass.txt", "2.5\n0,0\n9,0\n9,9\n"}}, {"--wiped"}, 19, {},
            {"invalid number: ", "glass.txt line 1: \"2.5\": the border is a whole number of pixels from 0 to 10000"}},
        Row{"GlassBorderOutOfRange", {{"glass.txt", "10001\n0,0\n9,0\n9,9\n"}}, wiped_only, 19, {},
            {"glass.txt line 1: the border 10001 is not a whole number of pixels from 0 to 10000"}},
        Row{"GlassWithoutBorder", {{"glass.txt", "\n"}}, wiped_only, 13, {},
            {"read past end of file: ", "glass.txt line 2: a number is missing"}},
        Row{"GlassOfTwoPoints", {{"glass.txt", "25\n0,0\n9,9\n"}}, {"--wiped"}, 13, {},
            {"glass.txt line 4: the glass needs at least 3 points, it has 2"}},
        Row{"GlassOfTooManyPoints", {{"glass.txt", "25\n" + points(1001)}}, wiped_only, 14, {},
            {"index out of range: ", "glass.txt line 1002: ", "more than 1000 points"}},
        Row{"ShareWithADecimal", {{"zone_A.txt", "98.5\n125,175\n300,150\n300,260\n"}}, {"--wiped"}, 19, {},
            {"zone_A.txt line 1: \"98.5\": the required share is a whole percent from 0 to 100"}},
        Row{"ShareWithAPercentSign", {{"zone_A.txt", "98%\n125,175\n300,150\n300,260\n"}}, wiped_only, 19, {},
            {"zone_A.txt line 1: \"98%\": the required share is a whole percent from 0 to 100"}},
        Row{"ShareAsAFraction", {{"zone_A.txt", "0.8,125,175,300,150,300,260"}}, wiped_only, 19, {},
            {"zone_A.txt line 1: \"0.8\": the required share is a whole percent from 0 to 100"}},
        Row{"ZoneWithNoCountedPixel", {{"glass.txt", corner}}, {"--wiped"}, 14, {},
            {"index out of range: ", "zone_A.txt: no pixel of the zone is counted: none lies on glass.txt"}},
        Row{"ClosestApproachOfTheTwoWipers", {}, wiped_only, 40,
            {"  zone_B.txt                      79.2% of 93771 px wiped, 80% required: short\n"
             "  closest approach                coordinate_arm_left.txt and coordinate_blade_right_nr.txt: 52.5 px at "
             "frame 1.0\n"}},
        // The right wiper moved 150 px left, centre and every point.
        Row{"WipersThatTouch",
            {{"coordinate_arm_right.txt", "40,90,540,382\n340,379\n532,376\n537,374\n543,374\n548,378\n548,386\n"
                                          "543,390\n537,390\n532,388\n340,385\n"},
             {"coordinate_blade_right_nr.txt", "40,90,540,382\n340,382\n240,370\n440,370\n440,375\n350,375\n"
                                               "350,380\n330,380\n330,375\n240,375\n"}},
            wiped_only, 40,
            {"  closest approach                coordinate_arm_left.txt and coordinate_blade_right_nr.txt: touch "
             "between frame 1 and frame 2\n"}},
        Row{"BladeWithoutItsArm",
            {{"coordinate_blade_right_nr.txt",
              "40,80,690,382\n490,382\n390,370\n590,370\n590,375\n500,375\n500,380\n480,380\n480,375\n390,375\n"}},
            {"--wiped"}, 40,
            {"  closest approach                coordinate_arm_left.txt and coordinate_blade_right_nr.txt: 52.5 px at "
             "frame 1.0\n"
             "  closest approach                coordinate_arm_right.txt and coordinate_blade_right_nr.txt: touch "
             "between frame 1 and frame 19\n"},
            {"warning: coordinate_blade_right_nr.txt turns about (690, 382) by 80 degrees in 40 frames, but no swept "
             "part does: a blade follows its arm only when both have the same frame_count, sweep_angle, centre_x and "
             "centre_y\n"}},
        Row{"NamesXmlEscapes", {{"zone_A.txt", {}}, {"zone_A&'.txt", "98\n125,175\n300,150\n300,260\n150,280\n"}},
            {"--wiped"}, 40, {"  zone_A&'.txt  "}},
        Row{"BadPartAfterTheFramesOfThoseBefore", {{"coordinate_z.txt", "10,90,30\n"}}, {"--wiped"}, 13, {}, {}, {}, 40},
        Row{"HelpIsNotARun", {}, {"--help"}, 0, {"usage: "}},
        Row{"UsageError", {}, {"--frobnicate"}, 2, {}, {"usage: "}},
        Row{"GlassIsNotReadWithoutTheOptions", {{"glass.txt", "nonsense"}, {"glass2.txt", "nonsense"}}, {}, 0, {},
            {}, {"glass"}}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
