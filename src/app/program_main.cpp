// The program behind the entry point: command line, window, run and report.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/failure_notice.h"
#include "app/field_report.h"
#include "app/json_report.h"
#include "app/program_main.h"
#include "app/preview_window.h"
#include "app/progress_line.h"
#include "batch/folder_inputs.h"
#include "batch/frame_names.h"
#include "batch/run_batch.h"
#include "batch/settings_files.h"
#include "common/failure.h"
#include "common/hooks.h"
#include "common/module1.h"
#include "field/field_run.h"
#include "imaging/frame_surface.h"
#include "platform/files.h"
#include "platform/program_folder.h"
#include "platform/standard_streams.h"
#include "platform/stop_requests.h"

#ifndef WIPER_VERSION
#define WIPER_VERSION "0"
#endif

namespace {

// Whether a stop came while the output could not be written: what waited was
// dropped (or the stream was refused anyway), and the run ends as stopped.
bool stopped_at_output(const wiper::StandardStreams& streams) {
    using namespace wiper;
    return stop_request_pending() && (streams.output_dropped() || streams.write_failed(StandardStream::out) ||
                                      streams.write_failed(StandardStream::err));
}

// Reports a failure on stderr, and in `record` when the run keeps one for --json.
int report(wiper::StandardStreams& streams, const char* kind, const std::string& detail, int status,
           wiper::RunRecord* record = nullptr) {
    const std::string message = std::string(kind) + ": " + wiper::printable(detail);
    const std::string line = "wiper-render: " + message;
    streams.write(wiper::StandardStream::err, line + "\n");
    const int stopped = wiper::exit_status(wiper::FailureKind::stopped);
    const int result = stopped_at_output(streams) ? stopped : status;
    if (record) record->failure = wiper::RunRecord::FailureLine{kind, result, message};
    if (result == stopped) return stopped;
    // A stop was asked for by the user; it needs no notice.
    wiper::notify_failure(line);
    return status;
}

// The end of a run that a stop caught while its output waited.
int report_stopped_output(wiper::StandardStreams& streams, wiper::RunRecord* record = nullptr) {
    return report(streams, "stopped", "the run was stopped while its output waited to be read",
                  wiper::exit_status(wiper::FailureKind::stopped), record);
}

// Whether a failure is a settings file missing from the folder the program
// looked in; without a FOLDER argument that is the program's own folder, which
// a new user rarely means.
bool settings_missing(const wiper::Failure& failure, const std::string& folder) {
    using namespace wiper;
    if (failure.kind() != FailureKind::file_not_found) return false;
    for (const char* name : {image_settings_file, blade_turn_file})
        if (failure.path() == files::join(folder, name)) return true;
    return false;
}

// What a finished job did, for its report.
struct Outcome {
    wiper::RunSummary summary;             // the frames, unless only the field was asked for
    std::optional<wiper::WipedField> field; // with --wiped or --wiped-only
    std::string field_picture;              // as named inside the folder
    std::string field_vector;
    std::string image_name;                 // the frames' prefix, once the settings are read
};

// Runs the job the command line asks for: the frames, the wiped field after
// them, or the field alone. `frames_done` is called once the last frame is
// saved, so the window closes as the frames end. The exit status, after
// reporting the failure that stopped it.
int render(const wiper::CommandLine& cl, const std::string& folder, const wiper::Hooks& hooks,
           const wiper::RunOptions& options, const std::function<void()>& frames_done, wiper::StandardStreams& streams,
           wiper::ProgressLine& progress, Outcome& outcome, wiper::RunRecord* record) {
    using namespace wiper;
    const bool folder_given = !cl.folder.empty();
    try {
        // A stop while the inputs are read ends the job it was reading them for.
        const char* stopped = cl.wiped_only ? field_stopped_message : run_stopped_message;
        StopClock stop_clock(hooks, stopped);
        const FolderInputs inputs = read_folder_inputs(folder, stop_clock.between());
        outcome.image_name = inputs.image.name;
        FieldScene scene;
        scene.turns = inputs.turns;
        // Zones are checked before any frame is drawn, so a mistake in one costs no render.
        // The field's pictures are written last: a name that cannot be saved must stop the run before its frames.
        if (cl.wiped || cl.wiped_only) {
            FrameNames(folder, inputs.image.name).check_names_fit(0, true);
            scene.zones = read_run_zones(inputs.image, folder, hooks, stopped);
            scene.glass = read_run_glass(inputs.image, folder, scene.zones, hooks, stopped);
        }
        if (cl.wiped_only) {
            scene.parts = read_field_parts(folder, inputs, hooks);
        } else {
            Module1 m;
            FrameSurface surface;
            outcome.summary = run_batch(m, surface, folder, inputs, hooks, options);
            scene.parts = std::move(outcome.summary.as_read);
        }
        if (frames_done) frames_done();
        if (cl.wiped || cl.wiped_only) {
            outcome.field = make_wiped_field(inputs.image, folder, scene, hooks);
            outcome.field_picture = FrameNames(folder, inputs.image.name).shown_field_picture();
            outcome.field_vector = FrameNames(folder, inputs.image.name).shown_field_vector();
        }
    } catch (const Failure& failure) {
        progress.erase();
        std::string detail = failure.what();
        if (!folder_given && settings_missing(failure, folder))
            detail += "; no FOLDER was given, so wiper-render looked in the folder that holds it. "
                      "Run a scene with: wiper-render FOLDER";
        return report(streams, kind_name(failure.kind()), detail, exit_status(failure.kind()), record);
    } catch (const std::bad_alloc&) {
        progress.erase();
        return report(streams, kind_name(FailureKind::out_of_memory), "the run could not get the memory it needs",
                      exit_status(FailureKind::out_of_memory), record);
    } catch (const std::exception& e) {
        progress.erase();
        return report(streams, "internal error", e.what(), internal_error_status, record);
    }
    progress.erase();
    return 0;
}

std::string plural(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The parts in drawing order with their role and frame count, then the frame files.
void print_summary(wiper::StandardStreams& streams, const wiper::RunSummary& summary) {
    using wiper::printable;
    using wiper::text_columns;
    std::size_t name_width = 0, count_width = 0;
    for (const auto& part : summary.parts) {
        name_width = std::max(name_width, text_columns(printable(part.name)));
        count_width = std::max(count_width, std::to_string(part.frames).size());
    }
    for (const auto& part : summary.parts) {
        const std::string name = printable(part.name);
        const std::string count = std::to_string(part.frames);
        const char* kind = part.kind == wiper::PartKind::carried ? "carried" : "swept";
        streams.print(wiper::StandardStream::out, "%s%s  %-7s  %s%s %s\n", name.c_str(),
                      std::string(name_width - text_columns(name), ' ').c_str(), kind,
                      std::string(count_width - count.size(), ' ').c_str(), count.c_str(),
                      part.frames == 1 ? "frame" : "frames");
    }
    const std::string parts = plural(static_cast<std::int64_t>(summary.parts.size()), "part", "parts");
    if (summary.frames_written == 0)
        streams.print(wiper::StandardStream::out, "wiper-render: %s, no frame written\n", parts.c_str());
    else
        streams.print(wiper::StandardStream::out, "wiper-render: %s, %s: %s to %s\n", parts.c_str(),
                      plural(summary.frames_written, "frame", "frames").c_str(),
                      printable(summary.first_frame).c_str(), printable(summary.last_frame).c_str());
}

// With --json: the document, after every other line of the run, holding the
// exit status. A document that cannot be written ends the run as any
// output does, with a line on stderr alone.
int print_json(wiper::StandardStreams& streams, wiper::RunRecord& record, int status) {
    using namespace wiper;
    record.status = status;
    const bool dropped_before = streams.output_dropped();
    streams.write(StandardStream::out, json_report(record));
    streams.flush_output();
    if (!streams.write_failed(StandardStream::out) && (dropped_before || !streams.output_dropped())) return status;
    if (stop_request_pending()) return report_stopped_output(streams);
    return report(streams, kind_name(FailureKind::file_access), "cannot write to standard output",
                  exit_status(FailureKind::file_access));
}

} // namespace

// The whole program after its entry point has turned the command line into
// UTF-8 arguments (the program's own name left out).
// Anything that escapes is still reported on one line, never by the runtime's
// own multi-line complaint.
int program_main(const std::vector<std::string>& args, wiper::StandardStreams& streams) try {
    using namespace wiper;
    // Before anything else: a stop from the first moment ends the run with
    // its status, never by the signal. Before the window too: the toolkit may
    // start threads, and they must inherit the mask.
    watch_stop_requests();
    ignore_write_signals();
    const CommandLine cl = parse_command_line(args);
    switch (cl.action) {
    case CommandLine::Action::help:
        streams.write(StandardStream::out, usage_text());
        streams.flush_output();
        return stopped_at_output(streams) ? report_stopped_output(streams) : 0;
    case CommandLine::Action::version:
        streams.print(StandardStream::out, "wiper-render %s\n", WIPER_VERSION);
        streams.flush_output();
        return stopped_at_output(streams) ? report_stopped_output(streams) : 0;
    case CommandLine::Action::usage_error:
        // One line, like every other failure; --help gives the whole usage.
        return report(streams, "usage", cl.error + "; " + usage_synopsis() + ", or --help", usage_status);
    case CommandLine::Action::run:
        break;
    }

    // With --json, what the run did is kept for the document that ends it, however it ends.
    RunRecord run_record;
    RunRecord* const record = cl.json ? &run_record : nullptr;
    const auto finish = [&](int status) { return record ? print_json(streams, *record, status) : status; };
    std::string folder = cl.folder;
    if (folder.empty()) {
        try {
            folder = program_folder();
        } catch (const Failure& failure) {
            return finish(
                report(streams, kind_name(failure.kind()), failure.what(), exit_status(failure.kind()), record));
        }
    }
    const bool on_terminal = streams.is_terminal(StandardStream::err);
    ProgressLine progress(streams, on_terminal);
    Hooks hooks;
    hooks.warn = [&streams, &progress, record](const std::string& message) {
        progress.erase();
        streams.print(StandardStream::err, "wiper-render: warning: %s\n", printable(message).c_str());
        if (record) record->warnings.push_back(printable(message));
    };
    if (record) {
        hooks.part_read = [record](const Part& part) { record->parts.push_back(part); };
        hooks.frame_saved = [record](std::int64_t n) {
            record->frames_written = std::max(record->frames_written, n);
        };
    }
    // The window comes up before any file is read; without one the run goes on headless.
    std::unique_ptr<PreviewWindow> window;
    if (!cl.headless && !cl.wiped_only)
        window = open_preview_window(WindowHooks{[] { return stop_request_pending(); }, hooks.warn}, streams);
    if (on_terminal) { // off a terminal the line is never shown, so it is not even composed
        hooks.progress = [&progress](const Progress& at) {
            const std::string frame = "frame " + std::to_string(at.frame) + " of " + std::to_string(at.frames);
            if (at.part == 0)
                progress.update("wiped field: " + frame);
            else
                progress.update("part " + std::to_string(at.part) + " of " + std::to_string(at.parts) + ", " +
                                printable(std::string(at.name)) + ": " + frame);
        };
    }
    // The window, while there is one, is asked too: its events are handled on
    // every poll, even when a signal already says stop.
    hooks.stop_requested = [&window] {
        const bool from_window = window && window->stop_requested();
        return stop_request_pending() || from_window;
    };
    RunOptions options;
    if (cl.rebuild_memory) options.rebuild_memory = *cl.rebuild_memory;
    if (window) options.refresh = [&window](const FrameSurface& surface) { window->show(surface); };
    Outcome outcome;
    const int status = render(cl, folder, hooks, options, [&window] { window.reset(); }, streams, progress,
                              outcome, record);
    window.reset(); // the window closes when the run returns, however it ended
    if (record) {
        // The frames as the summary names them; after a failure, those saved before it.
        if (status == 0 && !cl.wiped_only) record->frames_written = outcome.summary.frames_written;
        if (record->frames_written > 0) {
            const FrameNames names(folder, outcome.image_name);
            record->first_frame = names.shown_frame(1);
            record->last_frame = names.shown_frame(record->frames_written);
        }
        if (outcome.field) {
            record->field = &*outcome.field;
            record->field_picture = outcome.field_picture;
            record->field_vector = outcome.field_vector;
        }
    }
    if (status != 0) return finish(status);
    if (!cl.quiet && !cl.json) {
        if (!cl.wiped_only) print_summary(streams, outcome.summary);
        if (outcome.field)
            for (const std::string& line : field_report(*outcome.field, outcome.field_picture))
                streams.write(StandardStream::out, line + "\n");
    }
    streams.flush_output();
    if (stopped_at_output(streams)) return finish(report_stopped_output(streams, record));
    if (streams.write_failed(StandardStream::out))
        return finish(report(streams, kind_name(FailureKind::file_access), "cannot write to standard output",
                             exit_status(FailureKind::file_access), record));
    // Everything is written; a zone short of its share is the answer, not a failure.
    bool short_of_a_zone = false;
    if (outcome.field)
        for (const std::string& line : short_zones(*outcome.field)) {
            streams.print(StandardStream::err, "wiper-render: zone short: %s\n", line.c_str());
            short_of_a_zone = true;
        }
    // A warning that could not be written (its reader went away, say) never
    // stopped the frames, but the run must not pass for one that said all it had to.
    if (stopped_at_output(streams)) return finish(report_stopped_output(streams, record));
    if (streams.write_failed(StandardStream::err))
        return finish(report(streams, kind_name(FailureKind::file_access), "cannot write to standard error",
                             exit_status(FailureKind::file_access), record));
    return finish(short_of_a_zone ? zone_short_status : 0);
} catch (const std::bad_alloc&) {
    return report(streams, wiper::kind_name(wiper::FailureKind::out_of_memory),
                  "the program could not get the memory it needs",
                  wiper::exit_status(wiper::FailureKind::out_of_memory));
} catch (const std::exception& e) {
    return report(streams, "internal error", e.what(), wiper::internal_error_status);
}
