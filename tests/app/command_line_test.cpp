// The command line, read from its one option table: what each argument list
// asks for, the byte counts --rebuild-memory takes, and the synopsis the
// README and the manual page show.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace wiper {
namespace {

using Action = CommandLine::Action;

struct ParseCase {
    const char* name;
    std::vector<std::string> args;
    Action action;
    std::string folder = {};
    std::optional<std::uint64_t> rebuild_memory = {};
    std::string error = {}; // what the usage error's text starts with
};

class Parse : public testing::TestWithParam<ParseCase> {};

TEST_P(Parse, GivesTheActionFolderAndValue) {
    const ParseCase& c = GetParam();
    const CommandLine cl = parse_command_line(c.args);
    EXPECT_EQ(cl.action, c.action) << cl.error;
    if (c.action == Action::run) {
        EXPECT_EQ(cl.folder, c.folder);
        EXPECT_EQ(cl.rebuild_memory, c.rebuild_memory);
    }
    if (c.action == Action::usage_error) {
        EXPECT_EQ(cl.error.rfind(c.error, 0), 0u) << cl.error;
    }
}

constexpr const char* not_digits = "--rebuild-memory takes a whole number of bytes, as in";
constexpr const char* too_large = "--rebuild-memory takes a whole number of bytes up to 18446744073709551615, as in";

INSTANTIATE_TEST_SUITE_P(
    Arguments, Parse,
    testing::Values(
        ParseCase{"Nothing", {}, Action::run},
        ParseCase{"FlagsAndFolder", {"--headless", "-q", "--wiped", "scene"}, Action::run, "scene"},
        ParseCase{"FolderAfterDoubleDash", {"--", "--help"}, Action::run, "--help"},
        ParseCase{"DashIsAFolder", {"-"}, Action::run, "-"},
        ParseCase{"HelpBeforeAMistake", {"--quiet", "-h", "--frobnicate"}, Action::help},
        ParseCase{"VersionBeforeMistakes", {"--version", "a", "b"}, Action::version},
        ParseCase{"UnknownOption", {"-x"}, Action::usage_error, "", {}, "unknown option -x"},
        ParseCase{"ByteCountWithoutValue", {"--rebuild-memory"}, Action::usage_error, "", {}, "unknown option --rebuild-memory"},
        ParseCase{"TwoFolders", {"a", "b"}, Action::usage_error, "", {}, "only one folder may be given"},
        ParseCase{"EmptyFolder", {""}, Action::usage_error, "", {}, "the folder name is empty"},
        ParseCase{"WipedAndWipedOnly", {"--wiped-only", "--wiped"}, Action::usage_error, "", {}, "--wiped renders the frames"},
        // Every byte count up to 2^64 - 1, with any number of leading zeros; nothing more.
        ParseCase{"Zero", {"--rebuild-memory=0"}, Action::run, "", 0},
        ParseCase{"LargestAfterLeadingZeros", {"--rebuild-memory=000000000000000000000000018446744073709551615", "f"},
                  Action::run, "f", 18446744073709551615u},
        ParseCase{"OnePastLargest", {"--rebuild-memory=18446744073709551616"}, Action::usage_error, "", {}, too_large},
        ParseCase{"TwentyNines", {"--rebuild-memory=99999999999999999999"}, Action::usage_error, "", {}, too_large},
        ParseCase{"Empty", {"--rebuild-memory="}, Action::usage_error, "", {}, not_digits},
        ParseCase{"Negative", {"--rebuild-memory=-1"}, Action::usage_error, "", {}, not_digits},
        ParseCase{"DigitsThenLetter", {"--rebuild-memory=99999999999999999999x"}, Action::usage_error, "", {}, not_digits}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The words of a synopsis, brackets and bars each a word of its own.
std::vector<std::string> words(const std::string& text) {
    std::string spaced;
    for (const char c : text) spaced += c == '[' || c == ']' || c == '|' ? std::string{' ', c, ' '} : std::string(1, c);
    std::istringstream in(spaced);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// --help opens with the synopsis, and the README shows it for Linux and for Windows.
TEST(Synopsis, IsWhatHelpTheReadmeAndTheManualPageShow) {
    const std::string synopsis = usage_synopsis();
    EXPECT_EQ(usage_text().rfind("usage: " + synopsis + "\n", 0), 0u);

    const std::string readme = file_text(WIPER_SOURCE_DIR "/README.md");
    std::vector<std::string> shown;
    std::istringstream lines(readme);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("    wiper-render [", 0) == 0) shown.push_back(line.substr(4));
        if (line.rfind("    wiper-render.exe [", 0) == 0) shown.push_back("wiper-render" + line.substr(20));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{synopsis, synopsis})) << "the README's Linux and Windows synopses";

    // The manual page's SYNOPSIS, its mark-up taken off, names the options of a run in the same order.
    const std::string man = file_text(WIPER_SOURCE_DIR "/docs/wiper-render.1");
    const std::size_t from = man.find(".SH SYNOPSIS\n");
    const std::size_t to = man.find(".br\n", from);
    ASSERT_NE(to, std::string::npos);
    std::istringstream man_lines(man.substr(from, to - from));
    std::string plain;
    std::getline(man_lines, plain); // the heading, left out
    plain.clear();
    for (std::string line; std::getline(man_lines, line);) {
        line = line.substr(line.find(' ') + 1); // the macro: .B, .RB, .RI
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line.compare(i, 3, "\\fI") == 0 || line.compare(i, 3, "\\fP") == 0) i += 2;
            else if (line[i] != '\\' && line[i] != '"') plain += line[i];
        }
        plain += ' ';
    }
    EXPECT_EQ(words(plain), words(synopsis)) << plain;
}

} // namespace
} // namespace wiper
