// --json through the real program: the document is the only thing on stdout,
// holds the exit status and the stderr lines, and says what the text report of
// the same folder says. Each row is the one-wiper example with changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/run_binary.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using Json = nlohmann::ordered_json;

struct JsonRow {
    const char* name;
    std::vector<std::string> args;
    std::function<void(const TempFolder&)> setup;
    int status;
};
std::ostream& operator<<(std::ostream& os, const JsonRow& r) { return os << r.name; }

test::RunResult run_in_copy(const JsonRow& row, bool json) {
    TempFolder dir;
    fs::copy(fs::path(WIPER_EXAMPLES) / "one-wiper", dir.path(), fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(dir / "buffer")) fs::remove(e.path());
    row.setup(dir);
    std::vector<std::string> args{"--headless"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    if (json) args.push_back("--json");
    args.push_back(dir.str());
    return test::run_program(WIPER_BINARY, args);
}

// Each line of `text` split at its spaces.
std::vector<std::vector<std::string>> words_of(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(test::as_on_posix(text));
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        lines.emplace_back(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
    }
    return lines;
}

bool has_line(const std::string& text, const std::vector<std::string>& words) {
    for (const auto& line : words_of(text))
        if (line == words) return true;
    return false;
}

class JsonReport : public testing::TestWithParam<JsonRow> {};

TEST_P(JsonReport, SaysWhatTheTextSays) {
    const JsonRow& row = GetParam();
    const test::RunResult r = run_in_copy(row, true);
    ASSERT_EQ(r.status, row.status) << r.err;
    const Json doc = Json::parse(r.out); // one document and nothing else, or this throws
    std::vector<std::string> keys;
    for (const auto& [key, value] : doc.items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"format", "status", "failure", "warnings", "parts", "frames", "field"}));
    EXPECT_EQ(doc["format"], 1);
    EXPECT_EQ(doc["status"], r.status);

    // The stderr lines: warnings in order, then the failure's line.
    std::vector<std::string> warnings;
    std::string last_line;
    std::istringstream in(test::as_on_posix(r.err));
    for (std::string line; std::getline(in, line); last_line = line)
        if (line.starts_with("wiper-render: warning: ")) warnings.push_back(line.substr(23));
    EXPECT_EQ(doc["warnings"], Json(warnings));
    if (r.status == 0 || r.status == 40) {
        EXPECT_TRUE(doc["failure"].is_null());
    } else {
        EXPECT_EQ(doc["failure"]["status"], r.status);
        EXPECT_EQ("wiper-render: " + doc["failure"]["message"].get<std::string>(), last_line);
        EXPECT_TRUE(last_line.starts_with("wiper-render: " + doc["failure"]["kind"].get<std::string>() + ": "));
    }

    // The text report of the same folder says the same.
    const test::RunResult text = run_in_copy(row, false);
    ASSERT_EQ(text.status, r.status) << text.err;
    if (r.status != 0 && r.status != 40) return;
    if (!doc["frames"].is_null()) { // the summary, which --wiped-only leaves out
        for (const Json& part : doc["parts"])
            EXPECT_TRUE(has_line(text.out, {part["file"], part["kind"],
                                            std::to_string(part["frame_count"].get<int>()), "frames"}))
                << part << text.out;
        EXPECT_TRUE(has_line(text.out, {"wiper-render:", std::to_string(doc["parts"].size()), "parts,",
                                        std::to_string(doc["frames"]["count"].get<int>()), "frames:",
                                        doc["frames"]["first"], "to", doc["frames"]["last"]}))
            << text.out;
    }
    const Json& field = doc["field"];
    for (const Json& part : field["parts"])
        EXPECT_TRUE(has_line(text.out, {part["file"], std::to_string(part["pixels"].get<int>()), "px"})) << text.out;
    EXPECT_NE(text.out.find(" " + std::to_string(field["together"].get<int>()) + " px, "), std::string::npos);
    for (const Json& zone : field["zones"])
        EXPECT_NE(text.out.find(" of " + std::to_string(zone["pixels"].get<int>()) + " px wiped, " +
                                std::to_string(zone["required"].get<int>()) + "% required: " +
                                (zone["met"].get<bool>() ? "ok" : "short")),
                  std::string::npos)
            << zone << text.out;
}

INSTANTIATE_TEST_SUITE_P(
    Run, JsonReport,
    testing::Values(
        JsonRow{"Passes", {"--wiped"}, [](auto& d) { d.write("zone.txt", "10,0,0,169,0,169,149"); }, 0},
        JsonRow{"ZoneShort", {"--wiped-only"}, [](auto& d) { d.write("zone.txt", "100,0,0,169,0,169,149"); }, 40},
        JsonRow{"BadPartFileAfterTwoGoodOnes", {"--wiped"}, [](auto& d) { d.write("coordinate_z.txt", "10,90,30\n"); },
                13}),
    [](const testing::TestParamInfo<JsonRow>& info) { return std::string(info.param.name); });

// The failed run's document still names what was done before the failure.
TEST(JsonReport, AFailedRunKeepsWhatItDid) {
    const test::RunResult r =
        run_in_copy({"", {"--wiped"}, [](auto& d) { d.write("coordinate_z.txt", "10,90,30\n"); }, 13}, true);
    const Json doc = Json::parse(r.out);
    ASSERT_EQ(doc["parts"].size(), 2u);
    EXPECT_EQ(doc["parts"][1]["file"], "coordinate_blade_nr.txt");
    EXPECT_EQ(doc["parts"][1]["wiper"], 1); // rides the arm's tip: one wiper
    EXPECT_EQ(doc["frames"]["count"], 10);
    EXPECT_TRUE(doc["field"].is_null());
}

// Only a run prints a document: a usage error, --help and --version do not.
TEST(JsonReport, NoDocumentOutsideARun) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--json", "--help"}, {"--json", "--version"}, {"--json", "--frobnicate"}}) {
        const test::RunResult r = test::run_program(WIPER_BINARY, args);
        EXPECT_FALSE(Json::accept(r.out)) << r.out;
        EXPECT_EQ(r.out.find('{'), std::string::npos) << r.out;
    }
}

} // namespace
} // namespace wiper
