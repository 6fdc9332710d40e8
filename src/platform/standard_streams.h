#pragma once
#include <string>
#include <string_view>

namespace wiper {

// The program's own output: standard output and standard error, written
// through here and nowhere else (never through the C library's buffered
// streams, which the process's exit would flush however long that waits).
//
// A stream that nobody reads fills up and makes a write wait for its reader.
// These writes wait only while no stop has been asked for (see
// stop_requests.h): once one has, what the stream does not take within a few
// tens of milliseconds is dropped (Windows, which cannot cut a write short,
// ends the process with the stopped status instead), so a stop ends the run
// in time whatever its output does. The
// streams themselves are left as they are, blocking and shared with whoever
// else writes to them, and no further descriptor or handle is opened for them.
enum class StandardStream { out, err };

// The process's standard streams as the program writes them: what standard
// output keeps for a larger write, and what became of each stream so far. The
// entry point owns the one there is, so that it outlives the run and whatever
// reports the run's end.
class StandardStreams {
public:
    StandardStreams();
    StandardStreams(const StandardStreams&) = delete;
    StandardStreams& operator=(const StandardStreams&) = delete;

    // Writes `text`, whole unless the system refuses it or a stop drops the
    // rest; false when some of it could not be written. Standard error, and
    // standard output on a terminal, take each call as it is made (a warning
    // appears as it happens); standard output elsewhere keeps it for a larger
    // write, made by flush_output() at the latest.
    bool write(StandardStream stream, std::string_view text);

    // printf's formatting, then write.
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    bool print(StandardStream stream, const char* format, ...);

    // Writes what standard output keeps; false when some of it could not be
    // written. To be called once the program has said what it had to there.
    bool flush_output();

    // True when `stream` is a terminal (a console on Windows): where a progress
    // line can be shown and erased, and where output is written as it is made.
    bool is_terminal(StandardStream stream) const;

    // True once the system refused a write to `stream` (a reader that went
    // away, a full disk, a closed stream).
    bool write_failed(StandardStream stream) const;

    // True once output was dropped because a stop came while a stream could
    // not take it.
    bool output_dropped() const { return dropped_after_stop_; }

private:
    bool write_now(StandardStream stream, std::string_view text);

    bool output_on_terminal_;
    std::string pending_output_; // standard output's text not yet written
    bool failed_[2] = {false, false};
    bool dropped_after_stop_ = false;
};

} // namespace wiper
