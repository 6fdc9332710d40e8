#pragma once
// What the run needs from the operating system for files. Paths are UTF-8
// text on every system; each system has its own implementation beside this
// header (posix/, windows/). Failures are thrown as wiper::Failure with the
// kind the run reports (file not found, path not found when the file's folder
// is missing, file access failure otherwise) and a message naming the file.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace wiper::files {

// `folder` and `name` joined with the system's separator ("/", or "\" on
// Windows, so messages show the paths a user there types).
std::string join(const std::string& folder, const std::string& name);

// The path of `name` in the folder that holds the file `path`.
std::string sibling(const std::string& path, const std::string& name);

// What is at a path, found without following a link: a link is described as
// itself, never as the file it points at.
struct Identity {
    bool exists = false;
    bool regular = false;  // a plain file: not a link, folder, device or pipe
    bool folder = false;
    std::uint64_t links = 0;  // names the file has (hard links)
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // last write, at the full resolution the system keeps
    // Last change of content or attributes (POSIX ctime, Windows ChangeTime).
    // A program can set the write time back, but not this.
    std::int64_t changed = 0;
    bool read_only = false;     // owner write bit clear (Windows: the read-only attribute)
    std::uint32_t permissions = 0;  // the system's own bits, handed back by WriteFile::take_permissions
    std::uint64_t device = 0;  // with `index`, which file this is (Windows: volume serial and file index)
    std::uint64_t index = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
};

// Nothing (exists false) when the path cannot be examined at all.
Identity identity_of(const std::string& path);

// What a path leads to, links followed: whether two names reach the same
// folder, say. Nothing (exists false) when it leads nowhere.
Identity identity_behind(const std::string& path);

// A file opened for reading. Links are followed; what they lead to must be a
// regular file (a pipe or device would block the run or never end).
class ReadFile {
public:
    explicit ReadFile(const std::string& path);
    ~ReadFile();
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;

    std::uint64_t size() const { return size_; }
    // Fills `into` from `offset`; returns fewer bytes only where the file ends.
    std::size_t read_at(std::uint64_t offset, std::span<std::uint8_t> into);
    void close();

private:
    std::string path_;
    std::intptr_t handle_ = -1;
    std::uint64_t size_ = 0;
};

// A file open for writing (one from open_existing, for reading too). `shown`
// is the file the user knows of, which messages name (a frame, rather than
// the temporary file written for it).
class WriteFile {
public:
    // A new file at `path`, created exclusively and never through a link: the
    // POSIX umask applies, Windows marks it hidden. Nothing when the name is
    // already taken by anything at all (a file, folder or dangling link).
    static std::optional<WriteFile> create_new(const std::string& path, const std::string& shown);

    // The existing file at `path`, opened for reading and for writing in
    // place without truncating it, so that a frame is read and rewritten
    // through one handle. Nothing when the name is a link, holds no file, or
    // is refused for reading or writing (no permission, a folder, another
    // program holds it): a frame that cannot be rewritten in place is read on
    // a ReadFile and written whole. The caller compares identity() with the
    // file it expects before reading or writing.
    static std::optional<WriteFile> open_existing(const std::string& path);

    ~WriteFile();
    // A moved-from file holds nothing; the file it held is closed with whichever ends last.
    WriteFile(WriteFile&& other) noexcept : shown_(std::move(other.shown_)), handle_(other.handle_) {
        other.handle_ = -1;
    }
    WriteFile& operator=(WriteFile&& other) noexcept {
        std::swap(shown_, other.shown_);
        std::swap(handle_, other.handle_);
        return *this;
    }
    WriteFile(const WriteFile&) = delete;

    // Of the opened file itself, not of whatever its name now leads to; it
    // stays that file's after a rename.
    Identity identity() const;
    // As ReadFile::read_at, for a file from open_existing only. It may move
    // the position that write_all writes at.
    std::size_t read_at(std::uint64_t offset, std::span<std::uint8_t> into);
    void write_all(std::span<const std::uint8_t> bytes);  // at the current position
    void write_at(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Makes this new file carry the permissions of `replaced` when that was a
    // regular file, or a new file's own (on Windows: no longer hidden).
    void take_permissions(const Identity& replaced);
    void close();

private:
    WriteFile(std::string shown, std::intptr_t handle) : shown_(std::move(shown)), handle_(handle) {}
    std::string shown_;
    std::intptr_t handle_ = -1;
};

// Puts the file `from` in the place of `to`, in one step: `to` holds either its
// old content or the new. A link at `to` is replaced, never followed. On
// Windows a file another program holds open is retried for about 2 s. `from`
// may still be open as a WriteFile.
void replace(const std::string& from, const std::string& to, const std::string& shown);

// Removes a file, as cleanup after a failure already on its way: never throws.
void remove_quietly(const std::string& path) noexcept;

struct FolderEntry {
    std::string name;
    bool regular = false;  // a plain file, or a link to one
    bool hidden = false;   // POSIX: the name starts with "."; Windows: hidden or system
};

// The entries of `folder`, in no particular order, "." and ".." left out.
std::vector<FolderEntry> list_folder(const std::string& folder);

} // namespace wiper::files
