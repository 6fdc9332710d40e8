// --json through the real program: the document is the only thing on stdout,
// holds the exit status and the stderr lines, and says what the text report of
// the same folder says. Each row is the one-wiper example with changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "support/run_binary.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct JsonRow {
    const char* name;
    std::vector<std::string> args;
    std::function<void(const test::TempFolder&)> setup;
    int status;
};
std::ostream& operator<<(std::ostream& os, const JsonRow& r) { return os << r.name; }

test::RunResult run_in_copy(const JsonRow& row, bool json) {
    test::TempFolder dir;
    fs::copy(fs::path(WIPER_EXAMPLES) / "one-wiper", dir.path(), fs::copy_options::recursive);
    for (const auto& e : fs::directory_iterator(dir / "buffer")) fs::remove(e.path());
    row.setup(dir);
    std::vector<std::string> args{"--headless"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    if (json) args.push_back("--json");
    args.push_back(dir.str());
    return test::run_program(WIPER_BINARY, args);
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
    EXPECT_EQ(doc["status"], r.status);
    EXPECT_EQ(doc["parts"].size(), 2u); // a failure comes after the arm and the blade
    EXPECT_EQ(doc["parts"][1]["wiper"], 1); // the blade rides the arm's tip

    // The stderr lines: the warnings in order, then the failure's line.
    std::vector<std::string> warnings;
    std::string last_line;
    std::istringstream err(test::as_on_posix(r.err));
    for (std::string line; std::getline(err, line); last_line = line)
        if (line.starts_with("wiper-render: warning: ")) warnings.push_back(line.substr(23));
    EXPECT_EQ(doc["warnings"], Json(warnings));
    const bool failed = r.status != 0 && r.status != 40;
    EXPECT_EQ(doc["failure"].is_null(), !failed);
    if (failed) {
        EXPECT_EQ(doc["failure"]["status"], r.status);
        EXPECT_EQ("wiper-render: " + doc["failure"]["message"].get<std::string>(), last_line);
        EXPECT_TRUE(last_line.starts_with("wiper-render: " + doc["failure"]["kind"].get<std::string>() + ": "));
        EXPECT_EQ(doc["frames"]["count"], 10); // saved before the failure
        return;
    }

    // The text report of the same folder, its columns' spaces squeezed, says the same.
    const test::RunResult text = run_in_copy(row, false);
    ASSERT_EQ(text.status, r.status) << text.err;
    const std::string out = std::regex_replace(test::as_on_posix(text.out), std::regex(" +"), " ");
    std::vector<std::string> says;
    if (!doc["frames"].is_null()) { // the summary, which --wiped-only leaves out
        for (const Json& part : doc["parts"])
            says.push_back(part["file"].get<std::string>() + " " + part["kind"].get<std::string>() + " " +
                           part["frame_count"].dump() + " frames\n");
        says.push_back("wiper-render: 2 parts, " + doc["frames"]["count"].dump() + " frames: " +
                       doc["frames"]["first"].get<std::string>() + " to " + doc["frames"]["last"].get<std::string>());
    }
    const Json& field = doc["field"];
    for (const Json& part : field["parts"])
        says.push_back(std::string(" ") + part["file"].get<std::string>() + " " + part["pixels"].dump() + " px\n");
    says.push_back(" together " + field["together"].dump() + " px, ");
    says.push_back(" of the picture, " + field["by_two_or_more"].dump() + " px by two or more\n");
    for (const Json& zone : field["zones"])
        says.push_back(" of " + zone["pixels"].dump() + " px wiped, " + zone["required"].dump() +
                       "% required: " + (zone["met"].get<bool>() ? "ok" : "short"));
    for (const std::string& line : says) EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}

INSTANTIATE_TEST_SUITE_P(
    Run, JsonReport,
    testing::Values(
        JsonRow{"Passes", {"--wiped"}, [](auto& d) { d.write("zone.txt", "10,0,0,169,0,169,149"); }, 0},
        JsonRow{"ZoneShort", {"--wiped-only"}, [](auto& d) { d.write("zone.txt", "100,0,0,169,0,169,149"); }, 40},
        JsonRow{"BadPartFile", {"--wiped"}, [](auto& d) { d.write("coordinate_z.txt", "10,90,30\n"); }, 13}),
    [](const testing::TestParamInfo<JsonRow>& info) { return std::string(info.param.name); });

// Only a run prints a document: a usage error, --help and --version do not.
TEST(JsonReport, NoDocumentOutsideARun) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--json", "--help"}, {"--json", "--version"}, {"--json", "--frobnicate"}})
        EXPECT_EQ(test::run_program(WIPER_BINARY, args).out.find('{'), std::string::npos);
}

} // namespace
} // namespace wiper
