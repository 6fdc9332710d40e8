#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "imaging/bmp_reader.h"

namespace wiper {

// A file opened for reading, with every read bounds-checked against its size.
// Opening classifies failures: file not found, path not found (its folder is
// missing), or file access failure (a folder in its place, no permission...).
class InputFile final : public ByteSource {
public:
    explicit InputFile(const std::string& path);
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::uint64_t size() const override { return size_; }
    // A range past the end is an invalid picture (the file is shorter than its
    // header says); a failing medium is a file access failure.
    void read_at(std::uint64_t offset, std::span<std::uint8_t> into) override;
    const std::string& name() const override { return path_; }
    void close();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};

// Writes `head` then `body` as the whole new content of `path`. The bytes go to a
// hidden file beside it that is renamed over `path` only once every write and
// the close succeeded, so `path` always holds either its old content or the
// new, never part of it; on failure the hidden file is removed.
void replace_file(const std::string& path, std::span<const std::uint8_t> head, std::span<const std::uint8_t> body);

// Overwrites `bytes` at `offset` of the existing file `path` without truncating
// it. Fails (file access) unless the file is exactly `expected_size` bytes long.
void overwrite_in_place(const std::string& path, std::uint64_t expected_size, std::uint64_t offset,
                        std::span<const std::uint8_t> bytes);

// A cheap identity of a file's current content: size and modification time.
// Empty unless the path is a regular file with a single name (not a symbolic
// or hard link), the only kind a frame may be overwritten in place.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    bool exists = false;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp stamp_of(const std::string& path);

// The hidden file a replacement is written to before it is renamed into place.
std::string partial_path_for(const std::string& path);

} // namespace wiper
