#include "imaging/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/failure.h"

namespace wiper {

namespace fs = std::filesystem;

namespace {

std::string reason(int err) { return std::strerror(err); }

// Turns the errno of a failed open into the failure kind the run reports.
// `shown` is the file the user knows of, which a message names.
[[noreturn]] void fail_open(const std::string& path, int err, const char* doing, const std::string& shown) {
    std::error_code ec;
    const fs::path parent = fs::path(path).parent_path();
    if (err == ENOENT || err == ENOTDIR) {
        if (!parent.empty() && !fs::is_directory(parent, ec))
            throw Failure(FailureKind::path_not_found, shown + ": the folder " + parent.string() + " does not exist");
        if (err == ENOENT) throw Failure(FailureKind::file_not_found, shown + ": no such file");
    }
    throw Failure(FailureKind::file_access, shown + ": cannot " + doing + ": " + reason(err));
}

std::FILE* open_unbuffered(const std::string& path, const char* mode, const char* doing, const std::string& shown) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (!f) fail_open(path, errno, doing, shown);
    // Frames are read and written in large blocks straight from the surface;
    // a stdio buffer would only add a copy.
    std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

void write_all(std::FILE* f, const std::string& path, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        const int err = errno ? errno : EIO;
        throw Failure(FailureKind::file_access, path + ": cannot write: " + reason(err));
    }
}

void close_checked(std::FILE*& f, const std::string& path) {
    errno = 0;
    const int rc = std::fclose(f);
    f = nullptr;
    if (rc != 0) throw Failure(FailureKind::file_access, path + ": cannot close: " + reason(errno ? errno : EIO));
}

} // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (fs::is_directory(st)) throw Failure(FailureKind::file_access, path + ": is a folder, not a file");
    // A pipe or device would block the run or never end; only plain files are read.
    if (fs::exists(st) && !fs::is_regular_file(st))
        throw Failure(FailureKind::file_access, path + ": is not a regular file");
    file_ = open_unbuffered(path, "rb", "open", path);
    errno = 0;
    if (std::fseek(file_, 0, SEEK_END) != 0) {
        const int err = errno;
        std::fclose(file_);
        file_ = nullptr;
        throw Failure(FailureKind::file_access, path + ": cannot find its size: " + reason(err));
    }
    const long end = std::ftell(file_);
    if (end < 0) {
        const int err = errno;
        std::fclose(file_);
        file_ = nullptr;
        throw Failure(FailureKind::file_access, path + ": cannot find its size: " + reason(err));
    }
    size_ = static_cast<std::uint64_t>(end);
}

InputFile::~InputFile() {
    if (file_) std::fclose(file_); // only reached when a failure is already on its way
}

void InputFile::read_at(std::uint64_t offset, std::span<std::uint8_t> into) {
    if (offset > size_ || into.size() > size_ - offset)
        throw Failure(FailureKind::invalid_picture, path_ + ": the file ends before byte " +
                                                        std::to_string(offset + into.size()) + " (it has " +
                                                        std::to_string(size_) + ")");
    if (into.empty()) return;
    errno = 0;
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0)
        throw Failure(FailureKind::file_access, path_ + ": cannot seek: " + reason(errno));
    const std::size_t got = std::fread(into.data(), 1, into.size(), file_);
    if (got != into.size()) {
        if (std::ferror(file_))
            throw Failure(FailureKind::file_access, path_ + ": cannot read: " + reason(errno ? errno : EIO));
        throw Failure(FailureKind::invalid_picture, path_ + ": the file became shorter while it was read");
    }
}

void InputFile::close() {
    if (file_) close_checked(file_, path_);
}

std::string partial_path_for(const std::string& path) {
    // One fixed, short name: the run writes one file at a time, and a name
    // built from the frame's own could pass the file system's length limit
    // where the frame's name does not.
    return (fs::path(path).parent_path() / ".wiper-render.partial").string();
}

void replace_file(const std::string& path, std::span<const std::uint8_t> head, std::span<const std::uint8_t> body) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw Failure(FailureKind::file_access, path + ": cannot write the frame, a folder is in its place");
    const std::string partial = partial_path_for(path);
    std::FILE* f = nullptr;
    try {
        f = open_unbuffered(partial, "wb", "create", path);
        write_all(f, path, head);
        write_all(f, path, body);
        close_checked(f, path);
        fs::rename(partial, path, ec);
        if (ec) throw Failure(FailureKind::file_access, path + ": cannot replace: " + ec.message());
    } catch (...) {
        if (f) std::fclose(f);
        fs::remove(partial, ec);
        throw;
    }
}

void overwrite_in_place(const std::string& path, std::uint64_t expected_size, std::uint64_t offset,
                        std::span<const std::uint8_t> bytes) {
    std::FILE* f = open_unbuffered(path, "r+b", "open for writing", path);
    try {
        errno = 0;
        if (std::fseek(f, 0, SEEK_END) != 0 || std::ftell(f) != static_cast<long>(expected_size))
            throw Failure(FailureKind::file_access, path + ": changed size while the frame was drawn");
        if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0)
            throw Failure(FailureKind::file_access, path + ": cannot seek: " + reason(errno));
        write_all(f, path, bytes);
        close_checked(f, path);
    } catch (...) {
        if (f) std::fclose(f);
        throw;
    }
}

FileStamp stamp_of(const std::string& path) {
    std::error_code ec;
    // Only a plain file with no other name: writing through a link would
    // change a file outside the frame folder.
    const fs::file_status st = fs::symlink_status(path, ec);
    if (ec || !fs::is_regular_file(st)) return {};
    if (fs::hard_link_count(path, ec) != 1 || ec) return {};
    const auto size = fs::file_size(path, ec);
    if (ec) return {};
    const auto modified = fs::last_write_time(path, ec);
    if (ec) return {};
    return FileStamp{size, static_cast<std::int64_t>(modified.time_since_epoch().count()), true};
}

} // namespace wiper
