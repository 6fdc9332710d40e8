// wiper-render: renders the frames of a windscreen wiper's sweep.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/stop_signals.h"
#include "batch/run_batch.h"
#include "common/failure.h"
#include "common/module1.h"
#include "imaging/frame_surface.h"

#ifndef WIPER_VERSION
#define WIPER_VERSION "0"
#endif

namespace {

int report(const char* kind, const std::string& detail, int status) {
    std::fprintf(stderr, "wiper-render: %s: %s\n", kind, detail.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv) {
    using namespace wiper;
    const CommandLine cl = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    switch (cl.action) {
    case CommandLine::Action::help:
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    case CommandLine::Action::version:
        std::printf("wiper-render %s\n", WIPER_VERSION);
        return 0;
    case CommandLine::Action::usage_error:
        std::fprintf(stderr, "wiper-render: %s\n%s", cl.error.c_str(), usage_text().c_str());
        return usage_status;
    case CommandLine::Action::run:
        break;
    }

    const std::string folder = cl.folder.empty() ? executable_folder() : cl.folder;
    hold_stop_signals();
    RunHooks hooks;
    hooks.stop_requested = [] { return stop_signal_pending(); };
    try {
        Module1 m;
        FrameSurface surface;
        run_batch(m, surface, folder, hooks);
    } catch (const Failure& failure) {
        return report(kind_name(failure.kind()), failure.what(), exit_status(failure.kind()));
    } catch (const std::bad_alloc&) {
        return report("out of memory", "the run could not get the memory it needs", internal_error_status);
    } catch (const std::exception& e) {
        return report("internal error", e.what(), internal_error_status);
    }
    if (std::fflush(stdout) != 0) return report("file access failure", "cannot write to standard output", 12);
    return 0;
}
