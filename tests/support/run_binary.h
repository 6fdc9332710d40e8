#pragma once
#include <algorithm>
#include <chrono>
#include <fstream>
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
