#pragma once
// What the platform under test lacks. A test that needs such a feature skips
// there with the reason, through these helpers, so the tests themselves carry
// no platform checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace wiper::test {

#ifdef _WIN32
inline constexpr bool is_windows = true;
#else
inline constexpr bool is_windows = false;
#endif
inline constexpr bool has_posix_signals = !is_windows;

// Skips the calling test where file permissions are the read-only attribute
// alone, not POSIX mode bits.
#define WIPER_SKIP_WITHOUT_POSIX_MODES()                                                    \
    if (::wiper::test::is_windows)                                                          \
    GTEST_SKIP() << "Windows files carry a read-only attribute, not POSIX mode bits"

// Skips the calling test where file names ignore case, so no folder can hold
// two names that differ only in case.
#define WIPER_SKIP_WHERE_NAMES_IGNORE_CASE()                                                \
    if (::wiper::test::is_windows)                                                          \
    GTEST_SKIP() << "Windows folders cannot hold two names that differ only in case"

// Skips the calling test where stop signals (SIGINT, SIGTERM) do not exist.
#define WIPER_SKIP_WITHOUT_POSIX_SIGNALS()                                                             \
    if (!::wiper::test::has_posix_signals)                                                             \
    GTEST_SKIP() << "Windows has no SIGINT or SIGTERM to send; its console stop requests are checked " \
                    "by scripts/test-windows.sh"

// Whether the tests and the program are built with AddressSanitizer, which
// reserves terabytes of address space at the start.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool under_address_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool under_address_sanitizer = true;
#else
inline constexpr bool under_address_sanitizer = false;
#endif
#else
inline constexpr bool under_address_sanitizer = false;
#endif

// Descriptors a sanitized child takes for itself besides the program's own:
// UndefinedBehaviorSanitizer checks that an object's memory is readable
// through a pipe, and reports a bad object where it cannot make one. It comes
// with AddressSanitizer in the sanitized build (WIPER_SANITIZE).
inline constexpr int sanitizer_descriptors = under_address_sanitizer ? 2 : 0;

// Skips the calling test where a child's address space cannot be limited
// (Launch::address_space_limit): on Windows, and under AddressSanitizer.
#define WIPER_SKIP_WITHOUT_ADDRESS_SPACE_LIMIT()                                               \
    if (::wiper::test::is_windows || ::wiper::test::under_address_sanitizer)                   \
    GTEST_SKIP() << (::wiper::test::is_windows                                                 \
                         ? "Windows sets no limit on a process's address space"                \
                         : "AddressSanitizer reserves more address space than any limit leaves")

// Skips the calling test where it cannot see into a running child: what it
// has read, and whether it waits on a write (Linux's /proc).
inline bool has_proc() {
#ifdef _WIN32
    return false; // under Wine the host's /proc shows through drive Z:, but it is not this program's
#else
    return std::filesystem::exists("/proc/self/io");
#endif
}
#define WIPER_SKIP_WITHOUT_PROC()                                                            \
    if (!::wiper::test::has_proc())                                                          \
    GTEST_SKIP() << "no /proc here to see what a run reads and where it waits"

// Whether folders can be made read-only to their owner: not as root, and not
// on Windows, where the read-only attribute of a folder does not stop writes.
inline std::string why_no_read_only_folders() {
#ifdef _WIN32
    return "a read-only folder on Windows still takes new files";
#else
    return geteuid() == 0 ? "root writes into read-only folders" : "";
#endif
}

// Makes a FIFO; skips the calling test (which must return when
// testing::Test::IsSkipped()) where there are none.
inline void make_fifo(const std::filesystem::path& where) {
    std::error_code ec;
    std::filesystem::remove(where, ec);
#ifdef _WIN32
    GTEST_SKIP() << "Windows folders hold no FIFOs";
#else
    ASSERT_EQ(mkfifo(where.c_str(), 0644), 0) << where;
#endif
}

// Makes a symbolic link (to a folder when `folder`); false where the platform
// or the account cannot (unprivileged Windows accounts).
inline bool try_symlink(const std::filesystem::path& target, const std::filesystem::path& link, bool folder = false) {
    std::error_code ec;
    if (folder)
        std::filesystem::create_directory_symlink(target, link, ec);
    else
        std::filesystem::create_symlink(target, link, ec);
    return !ec;
}

// The same, skipping the calling test (which must return when
// testing::Test::IsSkipped()) where it cannot.
inline void make_symlink(const std::filesystem::path& target, const std::filesystem::path& link, bool folder = false) {
    if (!try_symlink(target, link, folder)) GTEST_SKIP() << "cannot make a symbolic link here";
}

// A small tmpfs mounted over a folder, unmounted however the test ends.
class SmallDisk {
public:
    explicit SmallDisk(const std::filesystem::path& where) : where_(where) {
#ifdef _WIN32
        why_not_ = "Windows has no tmpfs";
#else
        if (mount("tmpfs", where.c_str(), "tmpfs", 0, "size=1m") == 0)
            mounted_ = true;
        else
            why_not_ = std::strerror(errno);
#endif
    }
    ~SmallDisk() {
#ifndef _WIN32
        if (mounted_ && umount(where_.c_str()) != 0) umount2(where_.c_str(), MNT_DETACH);
#endif
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why_not() const { return why_not_; }

private:
    std::filesystem::path where_;
    bool mounted_ = false;
    std::string why_not_;
};

} // namespace wiper::test
