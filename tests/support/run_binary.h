#pragma once
#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/platform.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace wiper::test {

struct RunResult {
    int status = -1;        // exit status; -1 when the program did not exit by itself
    bool timed_out = false; // still running after the time allowed, and killed
    std::string out;
    std::string err;
};

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// What a folder holds, each entry by its path below it and its kind: a link with
// its target, a file with its bytes, a folder with its entries; nothing when it is
// not a folder. Its entry `left_out` is not looked at.
inline std::map<std::string, std::string> contents_of(const std::filesystem::path& folder,
                                                      const std::string& left_out = "") {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> seen;
    if (!fs::is_directory(folder)) return seen;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = fs::relative(it->path(), folder).generic_string();
        if (name == left_out) {
            it.disable_recursion_pending();
            continue;
        }
        const fs::file_status st = it->symlink_status();
        seen[name] = std::to_string(static_cast<int>(st.type())) + ":" +
                     (fs::is_symlink(st) ? fs::read_symlink(it->path()).string()
                                         : fs::is_regular_file(st) ? slurp(it->path()) : std::string());
    }
    return seen;
}

// The report without its warning lines: what a run that warned must still end with.
inline std::string without_warnings(const std::string& err) {
    std::istringstream in(err);
    std::string kept, line;
    while (std::getline(in, line))
        if (line.rfind("wiper-render: warning: ", 0) != 0) kept += line + "\n";
    return kept;
}

// What the program printed, with the line ends of a POSIX build: Windows ends
// lines with CR LF.
inline std::string as_on_posix(std::string text) {
    if (!is_windows) return text;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

// A path as the program writes it in messages: with backslashes on Windows.
inline std::string native_path(std::string path) {
    if (is_windows) std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Runs the real program with `args` (UTF-8) to its end, capturing its output
// and exit status; a run still going after `limit` is killed.
inline RunResult run_program(const std::string& binary, const std::vector<std::string>& args,
                             Clock::duration limit = std::chrono::seconds(120), const Launch& launch = {}) {
    TempFolder scratch;
    RunResult r;
    {
        Process child(binary, args, scratch / "out", scratch / "err", launch);
        const std::optional<Ending> ending = child.wait_for(limit);
        r.timed_out = !ending.has_value();
        if (ending && ending->exited) r.status = ending->status;
    }
    r.out = as_on_posix(slurp(scratch / "out"));
    r.err = as_on_posix(slurp(scratch / "err"));
    return r;
}

} // namespace wiper::test
