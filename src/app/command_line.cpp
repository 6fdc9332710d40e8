#include "app/command_line.h"

#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "batch/frame_names.h"
#include "common/failure.h"

namespace wiper {

namespace {

// How an option shows in the synopsis.
enum class InSynopsis {
    no,      // --help and --version stand apart from a run's options
    alone,   // [--headless]
    or_next, // [--wiped | --wiped-only]: one of it and the option after it
};

// One option: the parser, the synopsis and --help are all made from these rows.
struct Option {
    std::string_view name;  // as given, and as --help shows it
    std::string_view alias; // a short spelling, or empty
    std::string_view value; // the value's name, for --name=VALUE; empty for a flag
    InSynopsis synopsis;
    std::string_view help;  // its --help text; each line after the first starts under the first
    // Takes the option into `cl`; sets a usage error there when the value is wrong.
    void (*take)(CommandLine& cl, std::string_view value);
};

constexpr std::uint64_t largest_byte_count = std::numeric_limits<std::uint64_t>::max();

void usage_error(CommandLine& cl, std::string error) {
    cl.action = CommandLine::Action::usage_error;
    cl.error = std::move(error);
}

// A whole number of bytes, in decimal digits alone, any number of leading zeros allowed.
void take_rebuild_memory(CommandLine& cl, std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        usage_error(cl, "--rebuild-memory takes a whole number of bytes, as in --rebuild-memory=67108864");
        return;
    }
    std::uint64_t n = 0;
    for (const char c : text) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (n > (largest_byte_count - digit) / 10) {
            usage_error(cl, "--rebuild-memory takes a whole number of bytes up to " +
                                std::to_string(largest_byte_count) + ", as in --rebuild-memory=67108864");
            return;
        }
        n = n * 10 + digit;
    }
    cl.rebuild_memory = n;
}

// Where an option's help names the wiped field's pictures.
constexpr char field_picture_here[] = "<field picture>";
constexpr char field_vector_here[] = "<field vector>";

constexpr Option options[] = {
    {"--headless", "", "", InSynopsis::alone, "render without the preview window",
     [](CommandLine& cl, std::string_view) { cl.headless = true; }},
    {"--quiet", "-q", "", InSynopsis::alone, "print no summary after the run",
     [](CommandLine& cl, std::string_view) { cl.quiet = true; }},
    {"--wiped", "", "", InSynopsis::or_next,
     "after the frames, compute the wiped field: what the blades\n"
     "wipe over the whole sweep and the share of each zone file;\n"
     "the pictures are <field picture>\n"
     "and <field vector>",
     [](CommandLine& cl, std::string_view) { cl.wiped = true; }},
    {"--wiped-only", "", "", InSynopsis::alone, "the wiped field alone: no frame is drawn, read or written",
     [](CommandLine& cl, std::string_view) { cl.wiped_only = true; }},
    {"--json", "", "", InSynopsis::alone,
     "print one JSON document on stdout instead of the summary\n"
     "and the report, a failed run's too (see README.md)",
     [](CommandLine& cl, std::string_view) { cl.json = true; }},
    {"--rebuild-memory", "", "BYTES", InSynopsis::alone,
     "the most memory kept of the polygons drawn into\n"
     "each frame, so later parts rebuild frames rather than read\n"
     "them back (default 67108864, 64 MiB; 0 reads every frame)",
     take_rebuild_memory},
    {"--help", "-h", "", InSynopsis::no, "show this text",
     [](CommandLine& cl, std::string_view) { cl.action = CommandLine::Action::help; }},
    {"--version", "", "", InSynopsis::no, "show the version",
     [](CommandLine& cl, std::string_view) { cl.action = CommandLine::Action::version; }},
};

// "--name" for a flag, "--name=VALUE" for an option with a value.
std::string spelled(const Option& o) {
    std::string s(o.name);
    if (!o.value.empty()) s.append("=").append(o.value);
    return s;
}

// The value `arg` gives option `o`, or nothing when `arg` is not that option.
std::optional<std::string_view> match(const Option& o, std::string_view arg) {
    if (o.value.empty()) {
        if (arg == o.name || (!o.alias.empty() && arg == o.alias)) return std::string_view{};
        return std::nullopt;
    }
    if (arg.size() > o.name.size() && arg.starts_with(o.name) && arg[o.name.size()] == '=')
        return arg.substr(o.name.size() + 1);
    return std::nullopt;
}

} // namespace

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine cl;
    bool folder_given = false;
    bool options_done = false;
    for (const std::string& arg : args) {
        if (!options_done && arg == "--") {
            options_done = true;
            continue;
        }
        if (!options_done) {
            const Option* found = nullptr;
            std::string_view value;
            for (const Option& o : options)
                if (const std::optional<std::string_view> v = match(o, arg)) {
                    found = &o;
                    value = *v;
                    break;
                }
            if (found) {
                found->take(cl, value);
                if (cl.action != CommandLine::Action::run) return cl;
                continue;
            }
            if (arg.size() > 1 && arg[0] == '-') {
                usage_error(cl, "unknown option " + arg);
                return cl;
            }
        }
        if (folder_given) {
            usage_error(cl, "only one folder may be given");
            return cl;
        }
        cl.folder = arg;
        folder_given = true;
    }
    if (folder_given && cl.folder.empty())
        usage_error(cl, "the folder name is empty");
    else if (cl.wiped && cl.wiped_only)
        usage_error(cl, "--wiped renders the frames and --wiped-only does not; give one of them");
    return cl;
}

std::string usage_synopsis() {
    std::string s = "wiper-render";
    bool in_group = false;
    for (const Option& o : options) {
        if (o.synopsis == InSynopsis::no) continue;
        s += in_group ? " | " : " [";
        s += spelled(o);
        in_group = o.synopsis == InSynopsis::or_next;
        if (!in_group) s += "]";
    }
    return s + " [FOLDER]";
}

std::string usage_text() {
    // Option names take 12 columns after a 2-column indent, and at least two
    // spaces part a name from its text; the text's further lines start under its first.
    constexpr std::size_t name_columns = 12;
    const std::string indent(2 + name_columns, ' ');
    std::string text = "usage: " + usage_synopsis() + "\n" +
                       "Renders the frames of a wiper's sweep described in FOLDER (default: the\n"
                       "folder holding this program) into FOLDER/" + FrameNames::inside_buffer_shown() + ".\n";
    for (const Option& o : options) {
        const std::string name = spelled(o);
        text += "  " + name + std::string(name.size() + 2 > name_columns ? 2 : name_columns - name.size(), ' ');
        std::string help(o.help);
        // The file names come from where the run takes them.
        if (const std::size_t at = help.find(field_picture_here); at != std::string::npos)
            help.replace(at, std::strlen(field_picture_here), FrameNames::field_picture_pattern());
        if (const std::size_t at = help.find(field_vector_here); at != std::string::npos)
            help.replace(at, std::strlen(field_vector_here), FrameNames::field_vector_pattern());
        for (const char c : help) text += c == '\n' ? "\n" + indent : std::string(1, c);
        text += "\n";
    }
    return text +
           "FOLDER holds:\n"
           "  immagini.txt            frame file prefix, width, height (pixels)\n"
           "  rotazione_spazzole.txt  blade turns in degrees: for a positive sweep, for\n"
           "                          a zero or negative one\n"
           "  coordinate*             one part each: frame_count, sweep_angle, centre_x,\n"
           "                          centre_y, then x,y pairs (origin top left, y down);\n"
           "                          a name containing \"nr\" is a carried part (a blade)\n"
           "  " + FrameNames::inside_buffer_shown() + "                 frame n is written to " +
           FrameNames::frame_pattern() + "\n"
           "  zone*                   with --wiped: a vision zone each, the required share\n"
           "                          (whole percent), then its outline as 3 to 1000 x,y\n"
           "                          pairs; a zone short of its share exits with " +
           std::to_string(zone_short_status) + "\n"
           "  glass*                  with --wiped: at most one, the border (whole pixels)\n"
           "                          within which a zone's pixels do not count, then the\n"
           "                          daylight opening's outline as 3 to 1000 x,y pairs\n"
           "See \"Writing a scene\" in README.md, and the manual page wiper-render(1).\n";
}

} // namespace wiper
