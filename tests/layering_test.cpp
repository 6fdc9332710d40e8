// The house's layering, read from the sources: which room of src/ may include
// which, where the system's own headers and platform checks may appear, and
// that tests/ keeps a room for every room of src/. A change that breaks a rule
// fails here with the file and line, so the layering cannot drift back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path source_dir = WIPER_SOURCE_DIR;

// Each room of src/, bottom to top, with the rooms it may include besides
// itself. `batch` never includes `field`: the field is computed from batch's
// readers, not the other way round.
const std::map<std::string, std::set<std::string>> may_include = {
    {"common", {}},
    {"platform", {"common"}},
    {"geometry", {"common"}},
    {"imaging", {"common", "platform"}},
    {"batch", {"common", "platform", "geometry", "imaging"}},
    {"field", {"common", "platform", "geometry", "imaging", "batch"}},
    {"app", {"common", "platform", "geometry", "imaging", "batch", "field"}},
};

// Headers a room may not include although their room is below it.
const std::map<std::string, std::set<std::string>> never_includes = {
    {"field", {"batch/run_batch.h"}}, // the field uses batch's readers, never the run's setup
};

// The platform's twin a path lies in, platform/posix/ or platform/windows/; "" for none.
std::string twin_of(const std::string& path) {
    for (const std::string twin : {"posix", "windows"})
        if (path.rfind("platform/" + twin + "/", 0) == 0) return twin;
    return "";
}

// What `file` (relative to src/) may not do in `line`, or "" when it may. A twin's own
// headers belong in that twin and in the entry point of the same system, which sets up
// what the system needs; platform macros are tested there and in the platform room alone.
std::string breach(const std::string& file, const std::string& line) {
    static const std::regex include_line(R"(^\s*#\s*include\s*"([^"]+)\")");
    static const std::regex platform_check(
        R"(^\s*#\s*(if|ifdef|ifndef|elif|elifdef|elifndef)\b.*\b(_WIN32|_WIN64|WIN32|__linux__|__linux|__APPLE__|__MACH__|__unix__|__unix|__MINGW32__|__MINGW64__|_MSC_VER|__CYGWIN__)\b)");
    static const std::regex entry_point("app/entry_[a-z]+\\.cpp");
    // The JSON library serves the JSON report alone; the rest keeps to the standard library.
    static const std::regex json_library(R"(^\s*#\s*include\s*<nlohmann/)");
    if (file != "app/json_report.cpp" && std::regex_search(line, json_library)) return "includes the JSON library";
    const std::string room = file.substr(0, file.find('/'));
    if (room != "platform" && !std::regex_match(file, entry_point) && std::regex_search(line, platform_check))
        return "checks a platform macro";
    std::smatch m;
    if (!std::regex_search(line, m, include_line)) return "";
    const std::string header = m[1];
    const std::string to = header.find('/') == std::string::npos ? "" : header.substr(0, header.find('/'));
    const std::string twin = twin_of(header);
    const bool allowed = may_include.count(room) == 1 && may_include.count(to) == 1 &&
                         (to == room || may_include.at(room).count(to) == 1) &&
                         !(never_includes.count(room) == 1 && never_includes.at(room).count(header) == 1) &&
                         (twin.empty() || twin_of(file) == twin || file == "app/entry_" + twin + ".cpp");
    return allowed ? "" : "includes " + header;
}

TEST(Layering, EveryRoomOfSrcIsPlaced) {
    for (const auto& entry : fs::directory_iterator(source_dir / "src")) {
        if (!entry.is_directory()) continue;
        EXPECT_EQ(may_include.count(entry.path().filename().string()), 1u)
            << "src/" << entry.path().filename().string() << " is a room the layering does not know: place it";
    }
}

TEST(Layering, NoRoomIncludesOneAboveItNorAnotherSystemsHeaders) {
    for (const auto& entry : fs::recursive_directory_iterator(source_dir / "src")) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        const std::string file = fs::relative(entry.path(), source_dir / "src").generic_string();
        std::ifstream in(entry.path());
        int n = 0;
        for (std::string line; std::getline(in, line) && ++n;)
            if (const std::string why = breach(file, line); !why.empty())
                ADD_FAILURE() << "src/" << file << " " << why << ", which the layering forbids:\n  src/" << file
                              << ":" << n << ": " << line;
    }
}

TEST(Layering, TestsHaveARoomForEveryRoomOfSrc) {
    for (const auto& entry : fs::directory_iterator(source_dir / "src")) {
        if (!entry.is_directory()) continue;
        const fs::path tests = source_dir / "tests" / entry.path().filename();
        bool has_test = false;
        if (fs::is_directory(tests))
            for (const auto& t : fs::recursive_directory_iterator(tests))
                has_test = has_test || t.path().extension() == ".cpp";
        EXPECT_TRUE(has_test) << "src/" << entry.path().filename().string() << " has no tests in "
                              << fs::relative(tests, source_dir).generic_string();
    }
}

} // namespace
