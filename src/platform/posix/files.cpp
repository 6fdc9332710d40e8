// Files on POSIX systems: plain file descriptors, so that every create can be
// exclusive and every open can refuse a link.
#include "platform/files.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/failure.h"

namespace wiper::files {

namespace {

std::string reason(int err) { return std::strerror(err); }

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool is_folder(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Turns the errno of a failed open into the failure kind the run reports.
[[noreturn]] void fail_open(const std::string& path, int err, const char* doing, const std::string& shown) {
    if (err == ENOENT || err == ENOTDIR) {
        const std::string folder = folder_of(path);
        if (!is_folder(folder))
            throw Failure(FailureKind::path_not_found, shown + ": the folder " + folder + " does not exist");
        if (err == ENOENT) throw Failure(FailureKind::file_not_found, shown + ": no such file");
    }
    throw Failure(FailureKind::file_access, shown + ": cannot " + doing + ": " + reason(err));
}

Identity identity_from(const struct stat& st) {
    Identity id;
    id.exists = true;
    id.regular = S_ISREG(st.st_mode);
    id.folder = S_ISDIR(st.st_mode);
    id.links = static_cast<std::uint64_t>(st.st_nlink);
    id.size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    id.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    id.read_only = (st.st_mode & S_IWUSR) == 0;
    id.permissions = static_cast<std::uint32_t>(st.st_mode & 07777);
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.index = static_cast<std::uint64_t>(st.st_ino);
    return id;
}

int fd_of(std::intptr_t handle) { return static_cast<int>(handle); }

// Fills `into` from `offset`, short only where the file ends.
std::size_t read_fully(int fd, std::uint64_t offset, std::span<std::uint8_t> into, const std::string& shown) {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(fd, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw Failure(FailureKind::file_access, shown + ": cannot read: " + reason(errno));
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void close_checked(std::intptr_t& handle, const std::string& shown) {
    const int fd = fd_of(handle);
    handle = -1;
    // The descriptor is gone whatever close says, so it is never retried;
    // an error here means the data may not have reached the disk.
    if (::close(fd) != 0 && errno != EINTR)
        throw Failure(FailureKind::file_access, shown + ": cannot close: " + reason(errno));
}

} // namespace

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string sibling(const std::string& path, const std::string& name) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

Identity identity_of(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return {};
    return identity_from(st);
}

Identity identity_behind(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return {};
    return identity_from(st);
}

ReadFile::ReadFile(const std::string& path) : path_(path) {
    // Without O_NONBLOCK, opening a pipe would wait for a writer that never comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fail_open(path, errno, "open", path);
    handle_ = fd;
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        handle_ = -1;
        throw Failure(FailureKind::file_access, path + ": cannot find its size: " + reason(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        handle_ = -1;
        throw Failure(FailureKind::file_access,
                      path + (S_ISDIR(st.st_mode) ? ": is a folder, not a file" : ": is not a regular file"));
    }
    size_ = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

ReadFile::~ReadFile() {
    if (handle_ >= 0) ::close(fd_of(handle_)); // only reached when a failure is already on its way
}

std::size_t ReadFile::read_at(std::uint64_t offset, std::span<std::uint8_t> into) {
    return read_fully(fd_of(handle_), offset, into, path_);
}

void ReadFile::close() {
    if (handle_ >= 0) close_checked(handle_, path_);
}

std::optional<WriteFile> WriteFile::create_new(const std::string& path, const std::string& shown) {
    // O_EXCL fails on any existing name, a dangling link included, so nothing
    // planted at the name is ever opened; 0666 lets the umask decide.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return std::nullopt;
        fail_open(path, errno, "create its temporary file", shown);
    }
    return WriteFile(shown, fd);
}

std::optional<WriteFile> WriteFile::open_existing(const std::string& path) {
    // O_NONBLOCK: a pipe swapped in for the frame must not hold the run.
    // Whatever the refusal (a link, EACCES, EPERM, a folder...), the frame is
    // written whole instead, and that route reports what stands in its way.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    WriteFile file(path, fd);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;
    return file;
}

WriteFile::~WriteFile() {
    if (handle_ >= 0) ::close(fd_of(handle_));
}

Identity WriteFile::identity() const {
    struct stat st{};
    if (::fstat(fd_of(handle_), &st) != 0) return {};
    return identity_from(st);
}

std::size_t WriteFile::read_at(std::uint64_t offset, std::span<std::uint8_t> into) {
    return read_fully(fd_of(handle_), offset, into, shown_);
}

void WriteFile::write_all(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_of(handle_), bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            throw Failure(FailureKind::file_access, shown_ + ": cannot write: " + reason(errno));
        }
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
}

void WriteFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::pwrite(fd_of(handle_), bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (put < 0) {
            if (errno == EINTR) continue;
            throw Failure(FailureKind::file_access, shown_ + ": cannot write: " + reason(errno));
        }
        bytes = bytes.subspan(static_cast<std::size_t>(put));
        offset += static_cast<std::uint64_t>(put);
    }
}

void WriteFile::take_permissions(const Identity& replaced) {
    if (!replaced.regular) return; // a new file keeps what the umask gave it
    if (::fchmod(fd_of(handle_), static_cast<mode_t>(replaced.permissions)) != 0)
        throw Failure(FailureKind::file_access, shown_ + ": cannot keep its permissions: " + reason(errno));
}

void WriteFile::close() {
    if (handle_ >= 0) close_checked(handle_, shown_);
}

void replace(const std::string& from, const std::string& to, const std::string& shown) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw Failure(FailureKind::file_access, shown + ": cannot replace: " + reason(errno));
}

void remove_quietly(const std::string& path) noexcept { ::unlink(path.c_str()); }

std::vector<FolderEntry> list_folder(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        const int err = errno;
        const FailureKind kind =
            err == ENOENT || err == ENOTDIR ? FailureKind::path_not_found : FailureKind::file_access;
        throw Failure(kind, folder + ": cannot list the folder: " + reason(err));
    }
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) break;
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        FolderEntry entry;
        entry.name = name;
        entry.hidden = name[0] == '.';
        // Follows links: a link to a plain file is read like one.
        struct stat st{};
        entry.regular = ::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
        entries.push_back(std::move(entry));
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0) throw Failure(FailureKind::file_access, folder + ": cannot list the folder: " + reason(err));
    return entries;
}

} // namespace wiper::files
