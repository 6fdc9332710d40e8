#include "app/command_line.h"

namespace wiper {

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine cl;
    bool folder_given = false;
    bool options_done = false;
    for (const std::string& arg : args) {
        if (!options_done && arg == "--") {
            options_done = true;
        } else if (!options_done && (arg == "--help" || arg == "-h")) {
            cl.action = CommandLine::Action::help;
            return cl;
        } else if (!options_done && arg == "--version") {
            cl.action = CommandLine::Action::version;
            return cl;
        } else if (!options_done && arg == "--headless") {
            cl.headless = true;
        } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
            cl.action = CommandLine::Action::usage_error;
            cl.error = "unknown option " + arg;
            return cl;
        } else if (folder_given) {
            cl.action = CommandLine::Action::usage_error;
            cl.error = "only one folder may be given";
            return cl;
        } else {
            cl.folder = arg;
            folder_given = true;
        }
    }
    if (folder_given && cl.folder.empty()) {
        cl.action = CommandLine::Action::usage_error;
        cl.error = "the folder name is empty";
    }
    return cl;
}

std::string usage_text() {
    return "usage: wiper-render [--headless] [FOLDER]\n"
           "Renders the wiper frames described by the part files in FOLDER (default: the\n"
           "folder holding this program) into FOLDER/buffer/.\n"
           "  --headless  render without the preview window\n"
           "  --help      show this text\n"
           "  --version   show the version\n";
}

} // namespace wiper
