// The house's layering, read from the sources: which room of src/ may include
// which, where the system's own headers and platform checks may appear, and
// that tests/ keeps a room for every room of src/. A change that breaks a rule
// fails here with the file and line, so the layering cannot drift back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

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

struct Source {
    std::string name;  // relative to src/, with "/"
    std::string room;  // its first folder
    std::vector<std::string> lines;
};

std::vector<Source> sources() {
    std::vector<Source> all;
    for (const auto& entry : fs::recursive_directory_iterator(source_dir / "src")) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        Source s;
        s.name = fs::relative(entry.path(), source_dir / "src").generic_string();
        s.room = s.name.substr(0, s.name.find('/'));
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) s.lines.push_back(line);
        all.push_back(std::move(s));
    }
    std::sort(all.begin(), all.end(), [](const Source& a, const Source& b) { return a.name < b.name; });
    return all;
}

bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The platform's twins: platform/posix/ and platform/windows/.
std::string twin_of(const std::string& path) {
    for (const std::string twin : {"posix", "windows"})
        if (starts_with(path, "platform/" + twin + "/")) return twin;
    return "";
}

// Where each twin's own headers may be included: in that twin, and in the
// entry point of the same system, which sets up what the system needs.
bool may_include_twin(const std::string& file, const std::string& twin) {
    return twin_of(file) == twin || file == "app/entry_" + twin + ".cpp";
}

// Where a platform macro may be tested: the platform room and the entry points.
bool may_check_platform(const std::string& file) {
    return starts_with(file, "platform/") || std::regex_match(file, std::regex("app/entry_[a-z]+\\.cpp"));
}

// Every breach in src/, as "file includes header" or "file checks a platform macro",
// with the file and line to show.
std::map<std::string, std::string> breaches() {
    const std::regex include_line(R"(^\s*#\s*include\s*"([^"]+)\")");
    const std::regex platform_check(
        R"(^\s*#\s*(if|ifdef|ifndef|elif|elifdef|elifndef)\b.*\b(_WIN32|_WIN64|WIN32|__linux__|__linux|__APPLE__|__MACH__|__unix__|__unix|__MINGW32__|__MINGW64__|_MSC_VER|__CYGWIN__)\b)");
    std::map<std::string, std::string> found;
    for (const Source& s : sources()) {
        for (std::size_t i = 0; i < s.lines.size(); ++i) {
            const std::string where = "src/" + s.name + ":" + std::to_string(i + 1) + ": " + s.lines[i];
            std::smatch m;
            if (!may_check_platform(s.name) && std::regex_search(s.lines[i], platform_check))
                found.emplace(s.name + " checks a platform macro", where);
            if (!std::regex_search(s.lines[i], m, include_line)) continue;
            const std::string header = m[1];
            const std::string room = header.substr(0, header.find('/'));
            const std::string breach = s.name + " includes " + header;
            const auto allowed = may_include.find(s.room);
            const bool known_room = may_include.count(room) == 1 && header.find('/') != std::string::npos;
            if (allowed == may_include.end() || !known_room ||
                (room != s.room && allowed->second.count(room) == 0))
                found[breach] = where;
            else if (never_includes.count(s.room) == 1 && never_includes.at(s.room).count(header) == 1)
                found[breach] = where;
            else if (const std::string twin = twin_of(header); !twin.empty() && !may_include_twin(s.name, twin))
                found[breach] = where;
        }
    }
    return found;
}

TEST(Layering, EveryRoomOfSrcIsPlaced) {
    for (const auto& entry : fs::directory_iterator(source_dir / "src")) {
        if (!entry.is_directory()) continue;
        EXPECT_EQ(may_include.count(entry.path().filename().string()), 1u)
            << "src/" << entry.path().filename().string() << " is a room the layering does not know: place it";
    }
}

TEST(Layering, NoRoomIncludesOneAboveItNorAnotherSystemsHeaders) {
    const auto found = breaches();
    for (const auto& [breach, where] : found)
        ADD_FAILURE() << breach << ", which the layering forbids:\n  " << where;
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
