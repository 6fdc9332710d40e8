#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "imaging/bmp_reader.h"
#include "platform/files.h"

namespace wiper {

// A file opened for reading, with every read bounds-checked against its size.
// Opening classifies failures: file not found, path not found (its folder is
// missing), or file access failure (a folder in its place, no permission...).
class InputFile final : public ByteSource {
public:
    explicit InputFile(const std::string& path) : file_(path), path_(path) {}

    std::uint64_t size() const override { return file_.size(); }
    // A range past the end is an invalid picture (the file is shorter than its
    // header says); a failing medium is a file access failure.
    void read_at(std::uint64_t offset, std::span<std::uint8_t> into) override;
    const std::string& name() const override { return path_; }
    void close() { file_.close(); }

private:
    files::ReadFile file_;
    std::string path_;
};

// Writes `head` then `body` as the whole new content of the frame file `path`.
// The bytes go to a new hidden file beside it, created exclusively under a
// name no one else holds, which is renamed over `path` only once every write
// and the close succeeded: `path` always holds either its old content or the
// new, and a link at any name is replaced, never written through. A frame that
// is replaced keeps its permissions; a read-only one is refused unless
// `written_by_this_run` (its mode then came from the umask, not from a user
// who locked it). On failure the hidden file is removed. `draw` gives the
// random part of the hidden file's name (a fresh random number by default).
void replace_file(const std::string& path, std::span<const std::uint8_t> head, std::span<const std::uint8_t> body,
                  const std::function<std::uint64_t()>& draw = {}, bool written_by_this_run = false);

// Overwrites `bytes` at `offset` of the frame file `path` without truncating
// it, provided `path` is still exactly the file `expected` describes (the same
// file, size and last write; see stamp_of). Returns false, having written
// nothing, when it is not, or when the system does not let us open it for
// writing (the caller then replaces it whole, which the folder may allow). A
// read-only frame is refused unless `written_by_this_run`.
bool overwrite_in_place(const std::string& path, const files::Identity& expected, std::uint64_t offset,
                        std::span<const std::uint8_t> bytes, bool written_by_this_run = false);

// The identity of `path` when a frame may be rewritten there in place: a
// regular file with a single name (neither a symbolic nor a hard link, whose
// other name would see the write). Otherwise nothing (exists false).
files::Identity stamp_of(const std::string& path);

// The name of a whole save's hidden file, for a random number: never the name
// of a frame, and short, so it fits wherever the frame's name does.
std::string temporary_name(std::uint64_t random);

} // namespace wiper
