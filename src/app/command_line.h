#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wiper {

struct CommandLine {
    enum class Action { run, help, version, usage_error } action = Action::run;
    std::string folder;   // empty: the folder holding the executable
    bool headless = false;
    bool quiet = false;   // no summary after a successful run
    bool wiped = false;      // render, then compute the wiped field
    bool wiped_only = false; // compute the wiped field alone: no frame, no window
    bool json = false;       // stdout holds one JSON document, whatever the run's end
    std::optional<std::uint64_t> rebuild_memory; // --rebuild-memory=BYTES, when given
    std::string error;    // what was wrong, for usage_error
};

CommandLine parse_command_line(const std::vector<std::string>& args);

// "wiper-render [--headless] ... [FOLDER]": the options of a run, made from
// the same table as the parser and --help, which starts with it.
std::string usage_synopsis();

// The whole of --help.
std::string usage_text();

} // namespace wiper
