#include "app/command_line.h"

namespace wiper {

namespace {

constexpr char rebuild_memory_option[] = "--rebuild-memory=";

// A whole number of bytes, in decimal digits alone.
std::optional<std::uint64_t> byte_count(const std::string& text) {
    if (text.empty() || text.size() > 19) return std::nullopt; // 19 digits always fit in 64 bits
    std::uint64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return n;
}

} // namespace

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
        } else if (!options_done && (arg == "--quiet" || arg == "-q")) {
            cl.quiet = true;
        } else if (!options_done && arg == "--wiped") {
            cl.wiped = true;
        } else if (!options_done && arg == "--wiped-only") {
            cl.wiped_only = true;
        } else if (!options_done && arg.rfind(rebuild_memory_option, 0) == 0) {
            cl.rebuild_memory = byte_count(arg.substr(sizeof rebuild_memory_option - 1));
            if (!cl.rebuild_memory) {
                cl.action = CommandLine::Action::usage_error;
                cl.error = "--rebuild-memory takes a whole number of bytes, as in --rebuild-memory=67108864";
                return cl;
            }
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
    } else if (cl.wiped && cl.wiped_only) {
        cl.action = CommandLine::Action::usage_error;
        cl.error = "--wiped renders the frames and --wiped-only does not; give one of them";
    }
    return cl;
}

std::string usage_text() {
    return "usage: wiper-render [--headless] [--quiet] [--wiped | --wiped-only] [--rebuild-memory=BYTES] [FOLDER]\n"
           "Renders the frames of a wiper's sweep described in FOLDER (default: the\n"
           "folder holding this program) into FOLDER/buffer/.\n"
           "  --headless  render without the preview window\n"
           "  --quiet     print no summary after the run\n"
           "  --wiped     after the frames, compute the wiped field: what the blades\n"
           "              wipe over the whole sweep and the share of each zone file;\n"
           "              the picture is buffer/<prefix>_wiped.bmp\n"
           "  --wiped-only  the wiped field alone: no frame is drawn, read or written\n"
           "  --rebuild-memory=BYTES  the most memory kept of the polygons drawn into\n"
           "              each frame, so later parts rebuild frames rather than read\n"
           "              them back (default 67108864, 64 MiB; 0 reads every frame)\n"
           "  --help      show this text\n"
           "  --version   show the version\n"
           "FOLDER holds:\n"
           "  immagini.txt            frame file prefix, width, height (pixels)\n"
           "  rotazione_spazzole.txt  blade turns in degrees: for a positive sweep, for\n"
           "                          a zero or negative one\n"
           "  coordinate*             one part each: frame_count, sweep_angle, centre_x,\n"
           "                          centre_y, then x,y pairs (origin top left, y down);\n"
           "                          a name containing \"nr\" is a carried part (a blade)\n"
           "  buffer/                 frame n is written to buffer/<prefix>_<n>.bmp\n"
           "  zone*                   with --wiped: a vision zone each, the required share\n"
           "                          (whole percent), then its outline as 3 to 1000 x,y\n"
           "                          pairs; a zone short of its share exits with 40\n"
           "See \"Writing a scene\" in README.md, and the manual page wiper-render(1).\n";
}

} // namespace wiper
