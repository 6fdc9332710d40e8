#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "imaging/bmp_reader.h"
#include "platform/files.h"

namespace wiper {

// A file opened for reading, with every read bounds-checked against its size.
class InputFile final : public ByteSource {
public:
    // Opened read-only on a handle of its own. Opening classifies failures:
    // file not found, path not found (its folder is missing), or file access
    // failure (a folder in its place, no permission...).
    explicit InputFile(const std::string& path) : own_(std::in_place, path), size_(own_->size()), path_(path) {}
    // Read through `file`, the file at `path` already open for rewriting in
    // place (files::WriteFile::open_existing), `size` bytes long: a frame read
    // and written back takes one handle, not two. `file` stays open after close().
    InputFile(files::WriteFile& file, const std::string& path, std::uint64_t size)
        : borrowed_(&file), size_(size), path_(path) {}

    std::uint64_t size() const override { return size_; }
    const std::string& name() const override { return path_; }
    void close() {
        if (own_) own_->close();
    }

private:
    // A file that became shorter since it was opened is an invalid picture; a
    // failing medium is a file access failure.
    void take(std::uint64_t offset, std::span<std::uint8_t> into) override;

    std::optional<files::ReadFile> own_;
    files::WriteFile* borrowed_ = nullptr;
    std::uint64_t size_;
    std::string path_;
};

// What a file holds, as its failures name it: the file itself ("the frame
// file is read-only") and what is written into it ("cannot write the frame").
struct FileDescription {
    std::string_view file;
    std::string_view content;
};

// Writes `head` then `body` as the whole new content of the file `path`,
// which `what` describes.
// The bytes go to a new hidden file beside it, created exclusively under a
// name no one else holds, which is renamed over `path` only once every write
// succeeded: `path` always holds either its old content or the new, and a link
// at any name is replaced, never written through. A file that is replaced
// keeps its permissions; a read-only one is refused, unless it is `left`, the
// file this run itself last left there, read-only already then (made so by
// the umask, not by a user). On failure the hidden file is removed. `draw`
// gives the random part of the hidden file's name (a fresh random number by
// default). `between_pieces`, when given, is called between the pieces the
// body is written in: a failure it throws (a stop) abandons the new file, and
// `path` keeps its old content. Frames are never given one, so that a stop
// never lands in the middle of saving a frame.
//
// Returns the new file's identity, read from the handle that wrote it once
// it is in place: the rename has given it its last change time, and a name
// looked up afterwards might already lead to another program's file. So that
// handle is closed after the rename; a close that fails still stops the run.
files::Identity replace_file(const std::string& path, std::span<const std::uint8_t> head,
                             std::span<const std::uint8_t> body, const FileDescription& what,
                             const files::Identity& left = {}, const std::function<std::uint64_t()>& draw = {},
                             const std::function<void()>& between_pieces = {});

// A body made piece by piece as it is written, so that it is never held whole:
// each call of `next` gives the following bytes, valid until the next call,
// `size` bytes in all.
struct BodyPieces {
    std::uint64_t size = 0;
    std::function<std::span<const std::uint8_t>()> next;
};

// replace_file for a body made as it is written, with the same guarantees;
// `between_pieces` is called before each piece is asked for.
files::Identity replace_file(const std::string& path, std::span<const std::uint8_t> head, const BodyPieces& body,
                             const FileDescription& what, const files::Identity& left = {},
                             const std::function<std::uint64_t()>& draw = {},
                             const std::function<void()>& between_pieces = {});

// `length` bytes at `offset` of a body, written at the same offset from where
// the body starts in the file.
struct ByteRun {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// Whether a file may be rewritten in place: a regular file with a single
// name (neither a symbolic nor a hard link, whose other name would see the write).
bool rewritable_in_place(const files::Identity& id);

// Overwrites `runs` of `body`, which starts at `body_offset` in the file,
// through `file`, the file `path` opened in place, without truncating
// it, provided what is open is still exactly the file `expected` describes
// (the same file, size, last write and last change) and may be rewritten in
// place. A read-only file is refused as by replace_file. Returns the file's
// identity after the writes, read from the same handle, which is then closed;
// or nothing, having written nothing, when the file is no longer `expected`.
std::optional<files::Identity> overwrite_in_place(const std::string& path, files::WriteFile& file,
                                                  const files::Identity& expected, const files::Identity& left,
                                                  std::uint64_t body_offset, std::span<const std::uint8_t> body,
                                                  std::span<const ByteRun> runs, const FileDescription& what);

// The name of a whole save's hidden file, for a random number: never the name
// of a frame or picture, and short, so it fits wherever their names do.
std::string temporary_name(std::uint64_t random);

} // namespace wiper
