// The program behind the entry point: command line, window, run and report.
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/failure_notice.h"
#include "app/program_main.h"
#include "app/preview_window.h"
#include "batch/run_batch.h"
#include "common/failure.h"
#include "common/module1.h"
#include "platform/stop_requests.h"
#include "imaging/frame_surface.h"

#ifndef WIPER_VERSION
#define WIPER_VERSION "0"
#endif

namespace {

int report(const char* kind, const std::string& detail, int status) {
    const std::string line = std::string("wiper-render: ") + kind + ": " + wiper::printable(detail);
    std::fprintf(stderr, "%s\n", line.c_str());
    // A stop was asked for by the user; it needs no notice.
    if (status != wiper::exit_status(wiper::FailureKind::stopped)) wiper::notify_failure(line);
    return status;
}

// Runs the batch; the exit status, after reporting the failure that stopped it.
int render(const std::string& folder, const wiper::RunHooks& hooks) {
    using namespace wiper;
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
    return 0;
}

} // namespace

// The whole program after its entry point has turned the command line into
// UTF-8 arguments (the program's own name left out).
int program_main(const std::vector<std::string>& args) {
    using namespace wiper;
    const CommandLine cl = parse_command_line(args);
    switch (cl.action) {
    case CommandLine::Action::help:
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    case CommandLine::Action::version:
        std::printf("wiper-render %s\n", WIPER_VERSION);
        return 0;
    case CommandLine::Action::usage_error:
        std::fprintf(stderr, "wiper-render: %s\n%s", printable(cl.error).c_str(), usage_text().c_str());
        return usage_status;
    case CommandLine::Action::run:
        break;
    }

    const std::string folder = cl.folder.empty() ? executable_folder() : cl.folder;
    // Before the window: the toolkit may start threads, and they must inherit the mask.
    watch_stop_requests();
    // The window comes up before any file is read; without one the run goes on headless.
    std::unique_ptr<PreviewWindow> window;
    if (!cl.headless) window = open_preview_window();
    RunHooks hooks;
    if (window) {
        hooks.refresh = [&window](const FrameSurface& surface) { window->show(surface); };
        hooks.stop_requested = [&window] {
            // The window's events are handled on every poll, even when a signal already says stop.
            const bool from_window = window->stop_requested();
            return stop_request_pending() || from_window;
        };
    } else {
        hooks.stop_requested = [] { return stop_request_pending(); };
    }
    const int status = render(folder, hooks);
    window.reset(); // the window closes when the run returns, however it ended
    if (status != 0) return status;
    if (std::fflush(stdout) != 0) return report("file access failure", "cannot write to standard output", 12);
    return 0;
}
