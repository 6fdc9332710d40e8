#pragma once
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace wiper::test {

struct RunResult {
    int status = -1; // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

inline std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

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

// Runs the real program with `args`, capturing its output and exit status.
inline RunResult run_program(const std::string& binary, const std::vector<std::string>& args,
                             const std::string& env = "") {
    TempFolder scratch;
    std::string cmd = env;
    (cmd += ' ') += shell_quote(binary);
    for (const std::string& a : args) (cmd += ' ') += shell_quote(a);
    (cmd += " >") += shell_quote((scratch / "out").string());
    (cmd += " 2>") += shell_quote((scratch / "err").string());
    cmd += " </dev/null";
    const int raw = std::system(cmd.c_str());
    RunResult r;
    if (raw != -1 && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
    r.out = slurp(scratch / "out");
    r.err = slurp(scratch / "err");
    return r;
}

} // namespace wiper::test
