// Files on Windows: the wide API only, so every name reaches the file system
// as the user wrote it, and file handles, so that links are seen for what they
// are (GetFileInformationByHandle gives the link count, attributes and 100 ns
// times that the C library does not).
#include "platform/files.h"

#include <chrono>
#include <climits>

#include "common/failure.h"
#include "platform/windows/text.h"

namespace wiper::files {

namespace {

using windows::narrow;
using windows::reason;
using windows::widen;

HANDLE handle_of(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
std::intptr_t stored(HANDLE h) { return reinterpret_cast<std::intptr_t>(h); }

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

DWORD attributes_of(const std::string& path) {
    try {
        return GetFileAttributesW(widen(path).c_str());
    } catch (const Failure&) {
        return INVALID_FILE_ATTRIBUTES;
    }
}

bool is_folder(const std::string& path) {
    const DWORD a = attributes_of(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Turns the error of a failed open into the failure kind the run reports.
[[noreturn]] void fail_open(const std::string& path, DWORD err, const char* doing, const std::string& shown) {
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_DIRECTORY) {
        const std::string folder = folder_of(path);
        if (err != ERROR_FILE_NOT_FOUND || !is_folder(folder))
            throw Failure(FailureKind::path_not_found, shown + ": the folder " + folder + " does not exist");
        throw Failure(FailureKind::file_not_found, shown + ": no such file");
    }
    if (err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION)
        throw Failure(FailureKind::file_access, shown + ": cannot " + doing + ": another program holds the file");
    throw Failure(FailureKind::file_access, shown + ": cannot " + doing + ": " + reason(err));
}

Identity identity_from(const BY_HANDLE_FILE_INFORMATION& info) {
    const DWORD a = info.dwFileAttributes;
    Identity id;
    id.exists = true;
    id.regular = (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
    id.folder = (a & FILE_ATTRIBUTE_DIRECTORY) != 0 && (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    id.links = info.nNumberOfLinks;
    id.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    id.modified = static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                            info.ftLastWriteTime.dwLowDateTime);
    id.read_only = (a & FILE_ATTRIBUTE_READONLY) != 0;
    id.permissions = a;
    id.device = info.dwVolumeSerialNumber;
    id.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return id;
}

// BY_HANDLE_FILE_INFORMATION lacks the change time; the basic information has it.
Identity identity_of_handle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandle(h, &info) || !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
        return {};
    Identity id = identity_from(info);
    id.changed = basic.ChangeTime.QuadPart;
    return id;
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t largest_step = std::size_t{1} << 30;

void close_checked(std::intptr_t& handle, const std::string& shown) {
    const HANDLE h = handle_of(handle);
    handle = -1;
    if (!CloseHandle(h))
        throw Failure(FailureKind::file_access, shown + ": cannot close: " + reason(GetLastError()));
}

void write_bytes(HANDLE h, const std::uint64_t* offset, std::span<const std::uint8_t> bytes, const std::string& shown) {
    std::uint64_t position = offset ? *offset : 0;
    while (!bytes.empty()) {
        const DWORD step = static_cast<DWORD>(bytes.size() < largest_step ? bytes.size() : largest_step);
        DWORD put = 0;
        OVERLAPPED where = at(position);
        if (!::WriteFile(h, bytes.data(), step, &put, offset ? &where : nullptr) || put == 0)
            throw Failure(FailureKind::file_access, shown + ": cannot write: " + reason(GetLastError()));
        bytes = bytes.subspan(put);
        position += put;
    }
}

// Fills `into` from `offset`, short only where the file ends.
std::size_t read_bytes(HANDLE h, std::uint64_t offset, std::span<std::uint8_t> into, const std::string& shown) {
    std::size_t done = 0;
    while (done < into.size()) {
        const std::size_t left = into.size() - done;
        const DWORD step = static_cast<DWORD>(left < largest_step ? left : largest_step);
        DWORD got = 0;
        OVERLAPPED where = at(offset + done);
        if (!::ReadFile(h, into.data() + done, step, &got, &where)) {
            const DWORD err = GetLastError();
            if (err == ERROR_HANDLE_EOF) break;
            throw Failure(FailureKind::file_access, shown + ": cannot read: " + reason(err));
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

} // namespace

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    std::string path = folder;
    for (char& c : path)
        if (c == '/') c = '\\';
    if (path.back() != '\\') path += '\\';
    return path + name;
}

std::string sibling(const std::string& path, const std::string& name) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

namespace {

// What is at `path`, opened for its attributes alone (a folder opens only with
// backup semantics); `flags` says whether a link is taken as itself or followed.
Identity identity_opened(const std::string& path, DWORD flags) {
    std::wstring wide;
    try {
        wide = widen(path);
    } catch (const Failure&) {
        return {};
    }
    const HANDLE h = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 flags | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    const Identity id = identity_of_handle(h);
    CloseHandle(h);
    return id;
}

} // namespace

// The link itself, not what it leads to.
Identity identity_of(const std::string& path) { return identity_opened(path, FILE_FLAG_OPEN_REPARSE_POINT); }

// Without FILE_FLAG_OPEN_REPARSE_POINT a link or junction is followed.
Identity identity_behind(const std::string& path) { return identity_opened(path, 0); }

ReadFile::ReadFile(const std::string& path) : path_(path) {
    const HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_ACCESS_DENIED && is_folder(path))
            throw Failure(FailureKind::file_access, path + ": is a folder, not a file");
        fail_open(path, err, "open", path);
    }
    handle_ = stored(h);
    // A console, pipe or device (CON, NUL, COM1...) would block the run or never end.
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        handle_ = -1;
        throw Failure(FailureKind::file_access, path + ": is not a regular file");
    }
    if (!GetFileSizeEx(h, &size)) {
        const DWORD err = GetLastError();
        CloseHandle(h);
        handle_ = -1;
        throw Failure(FailureKind::file_access, path + ": cannot find its size: " + reason(err));
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

ReadFile::~ReadFile() {
    if (handle_ != -1) CloseHandle(handle_of(handle_)); // only reached when a failure is already on its way
}

std::size_t ReadFile::read_at(std::uint64_t offset, std::span<std::uint8_t> into) {
    return read_bytes(handle_of(handle_), offset, into, path_);
}

void ReadFile::close() {
    if (handle_ != -1) close_checked(handle_, path_);
}

std::optional<WriteFile> WriteFile::create_new(const std::string& path, const std::string& shown) {
    // CREATE_NEW fails on any existing name, a link included, so nothing
    // planted there is ever opened. Hidden until it takes the frame's place.
    // Shared for deletion only, so it can be renamed into place while still
    // open, and its identity read from this handle afterwards.
    const std::wstring wide = widen(path);
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) return std::nullopt;
        // A folder, or a file being deleted, at the name answers "access denied".
        if (err == ERROR_ACCESS_DENIED && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
            return std::nullopt;
        fail_open(path, err, "create its temporary file", shown);
    }
    return WriteFile(shown, stored(h));
}

std::optional<WriteFile> WriteFile::open_existing(const std::string& path) {
    // With FILE_FLAG_OPEN_REPARSE_POINT a symbolic link or junction is opened
    // as itself; its identity then differs from the frame's and it is left
    // alone. Reading the attributes as well is what lets the identity be
    // checked through the handle that writes, and reading the content lets
    // the frame be read through it too. Whatever the refusal (access denied,
    // another program holds it...), the frame is written whole instead.
    std::wstring wide;
    try {
        wide = widen(path);
    } catch (const Failure&) {
        return std::nullopt;
    }
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    return WriteFile(path, stored(h));
}

WriteFile::~WriteFile() {
    if (handle_ != -1) CloseHandle(handle_of(handle_));
}

Identity WriteFile::identity() const { return identity_of_handle(handle_of(handle_)); }

std::size_t WriteFile::read_at(std::uint64_t offset, std::span<std::uint8_t> into) {
    return read_bytes(handle_of(handle_), offset, into, shown_);
}

void WriteFile::write_all(std::span<const std::uint8_t> bytes) { write_bytes(handle_of(handle_), nullptr, bytes, shown_); }

void WriteFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    write_bytes(handle_of(handle_), &offset, bytes, shown_);
}

void WriteFile::take_permissions(const Identity& replaced) {
    // The attributes a user may have set on the frame; read-only never
    // reaches here (such a frame is refused).
    constexpr DWORD kept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{}; // zero times: left as they are
    basic.FileAttributes = replaced.regular ? (replaced.permissions & kept) : FILE_ATTRIBUTE_ARCHIVE;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(handle_of(handle_), FileBasicInfo, &basic, sizeof basic))
        throw Failure(FailureKind::file_access, shown_ + ": cannot set its attributes: " + reason(GetLastError()));
}

void WriteFile::close() {
    if (handle_ != -1) close_checked(handle_, shown_);
}

void replace(const std::string& from, const std::string& to, const std::string& shown) {
    const std::wstring source = widen(from);
    const std::wstring target = widen(to);
    // A picture viewer or a virus scanner may hold the frame for a moment.
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::seconds(2);
    for (;;) {
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
        const DWORD err = GetLastError();
        const bool held = err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION ||
                          err == ERROR_LOCK_VIOLATION || err == ERROR_USER_MAPPED_FILE;
        if (!held) throw Failure(FailureKind::file_access, shown + ": cannot replace: " + reason(err));
        if (Clock::now() >= until)
            throw Failure(FailureKind::file_access,
                          shown + ": cannot replace it: another program holds the file (" + reason(err) + ")");
        Sleep(50);
    }
}

void remove_quietly(const std::string& path) noexcept {
    try {
        DeleteFileW(widen(path).c_str());
    } catch (...) {
    }
}

std::vector<FolderEntry> list_folder(const std::string& folder) {
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileExW(widen(join(folder, "*")).c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    std::vector<FolderEntry> entries;
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND) return entries; // a drive's root with nothing in it
        const FailureKind kind = err == ERROR_PATH_NOT_FOUND || err == ERROR_DIRECTORY || err == ERROR_INVALID_NAME
                                     ? FailureKind::path_not_found
                                     : FailureKind::file_access;
        throw Failure(kind, folder + ": cannot list the folder: " + reason(err));
    }
    DWORD err = ERROR_NO_MORE_FILES;
    for (;;) {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            FolderEntry entry;
            entry.name = narrow(name);
            const DWORD a = data.dwFileAttributes;
            entry.hidden = (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
            entry.regular = (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
            if (entry.regular && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                // A link is followed, as it will be when read: to a plain file only.
                const DWORD target = attributes_of(join(folder, entry.name));
                entry.regular = target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_DIRECTORY) == 0;
            }
            entries.push_back(std::move(entry));
        }
        if (!FindNextFileW(find, &data)) {
            err = GetLastError();
            break;
        }
    }
    FindClose(find);
    if (err != ERROR_NO_MORE_FILES)
        throw Failure(FailureKind::file_access, folder + ": cannot list the folder: " + reason(err));
    return entries;
}

} // namespace wiper::files
