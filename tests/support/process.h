#pragma once
// The real program started as a child process, on POSIX systems and on
// Windows alike, with stdin from the null device and stdout and stderr going
// to files. Everything that differs between the platforms for the end-to-end
// tests lives here and in platform.h, so the tests themselves carry no
// platform checks.
#include <chrono>
#include <cstdint>
#include <fstream>
#include <filesystem>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace wiper::test {

using Clock = std::chrono::steady_clock;

// How a child ended.
struct Ending {
    bool exited = false; // false: killed by a signal (POSIX) or terminated
    int status = -1;     // the exit status when it exited
    // What it read through read calls (rchar of /proc/PID/io), taken once it
    // had ended but before it was reaped; -1 where the system does not say.
    std::int64_t read_bytes = -1;
};

#ifdef _WIN32
inline std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

// One argument as the C runtime's command-line parser reads it back.
inline std::wstring quoted_argument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring q = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        q.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        q += c;
    }
    q.append(backslashes * 2, L'\\');
    return q + L"\"";
}
#endif

// A hostile environment for the child, on POSIX systems (a Windows child
// starts as it is; tests needing this skip there).
struct Launch {
    std::vector<std::string> set_env;   // NAME=value
    std::vector<std::string> unset_env; // NAME
    bool as_nobody = false;             // through setpriv, as nobody without groups
    int umask = -1;                     // -1: the test's own
    std::uint64_t file_size_limit = 0;  // RLIMIT_FSIZE in bytes; 0: the test's own
    // RLIMIT_NOFILE; 0: the test's own. The child then holds its standard
    // streams alone, so every descriptor the limit leaves is the program's.
    std::uint64_t open_files_limit = 0;
    // RLIMIT_AS in bytes, as `ulimit -v`; 0: the test's own. Memory past it
    // cannot be had, whatever the system's overcommit.
    std::uint64_t address_space_limit = 0;
    bool output_unread = false;         // stdout and stderr into a pipe whose reader is gone
    // Stderr a pipe kept full: the child's first message blocks it until
    // Process::release(), so a test can act while the run stands still at a
    // known point; what it says lands in `err` once it has ended.
    bool held = false;
    int held_stream = 2; // the stream `held` holds: 2 standard error, 1 standard output (then in `out`)
};

// Whether `holds()` comes true within `limit`, asked every 2 ms: a deadline,
// never a fixed sleep.
template <class Holds>
bool wait_until(Holds&& holds, Clock::duration limit) {
    const auto until = Clock::now() + limit;
    while (!holds()) {
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class Process {
public:
    // `binary` and `args` in UTF-8; `out` and `err` are created or truncated.
    // A held child (see Launch) is POSIX only: tests that hold one skip
    // elsewhere, see WIPER_SKIP_WITHOUT_PROC.
    Process(const std::string& binary, const std::vector<std::string>& args, const std::filesystem::path& out,
            const std::filesystem::path& err, const Launch& launch = {})
        : err_(launch.held && launch.held_stream == 1 ? out : err) {
#ifdef _WIN32
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        const HANDLE in_h = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                        OPEN_EXISTING, 0, nullptr);
        const auto open_out = [&](const std::filesystem::path& p) {
            return CreateFileW(p.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        };
        const HANDLE out_h = open_out(out);
        const HANDLE err_h = open_out(err);
        std::wstring line = quoted_argument(wide(binary));
        for (const std::string& a : args) (line += L' ') += quoted_argument(wide(a));
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = in_h;
        si.hStdOutput = out_h;
        si.hStdError = err_h;
        PROCESS_INFORMATION pi{};
        if (in_h != INVALID_HANDLE_VALUE && out_h != INVALID_HANDLE_VALUE && err_h != INVALID_HANDLE_VALUE &&
            CreateProcessW(wide(binary).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
        }
        for (HANDLE h : {in_h, out_h, err_h})
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        (void)launch;
#else
        std::vector<std::string> all = {binary};
        if (launch.as_nobody)
            all = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--", binary};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string out_path = out.string(), err_path = err.string();
        int unread[2] = {-1, -1};
        if (launch.output_unread) {
            if (pipe(unread) != 0) return;
            // The reader is gone before the child starts, so even its first
            // write finds none: as `| head -1` once it has its line.
            close(unread[0]);
            unread[0] = -1;
        }
        int held_pipe[2] = {-1, -1};
        if (launch.held && pipe2(held_pipe, O_CLOEXEC) == 0) {
            // Full to the last byte, so that any message at all blocks.
            fcntl(held_pipe[1], F_SETFL, O_NONBLOCK);
            const std::vector<char> filler(4096, '\0');
            for (std::size_t step : {filler.size(), std::size_t{1}})
                while (write(held_pipe[1], filler.data(), step) > 0) {
                }
            fcntl(held_pipe[1], F_SETFL, 0);
        }
        pid_ = fork();
        if (pid_ == 0) {
            // As from a terminal: stop signals and those of refused writes at
            // their defaults and unblocked, whatever the test runner set up for itself.
            for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) signal(sig, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const int in_fd = open("/dev/null", O_RDONLY);
            const auto open_out = [&](const std::string& p) {
                return launch.output_unread ? unread[1] : open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            };
            const int out_fd = open_out(out_path);
            const int err_fd = open_out(err_path);
            if (in_fd < 0 || out_fd < 0 || err_fd < 0) _exit(127);
            dup2(in_fd, 0);
            dup2(held_pipe[1] >= 0 && launch.held_stream == 1 ? held_pipe[1] : out_fd, 1);
            dup2(held_pipe[1] >= 0 && launch.held_stream == 2 ? held_pipe[1] : err_fd, 2);
            for (const std::string& name : launch.unset_env) unsetenv(name.c_str());
            for (const std::string& pair : launch.set_env) putenv(const_cast<char*>(pair.c_str()));
            if (launch.umask >= 0) ::umask(static_cast<mode_t>(launch.umask));
            if (launch.file_size_limit > 0) {
                const rlimit limit{launch.file_size_limit, launch.file_size_limit};
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
            }
            if (launch.open_files_limit > 0) {
                for (int fd = 3; fd < 4096; ++fd) close(fd);
                const rlimit limit{launch.open_files_limit, launch.open_files_limit};
                if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(127);
            }
            if (launch.address_space_limit > 0) {
                const rlimit limit{launch.address_space_limit, launch.address_space_limit};
                if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
            }
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (unread[1] >= 0) close(unread[1]);
        if (held_pipe[1] >= 0) close(held_pipe[1]);
        held_ = held_pipe[0];
        held_stream_ = launch.held_stream;
#endif
    }
    ~Process() {
        if (started() && !ending_) {
            kill();
            wait_for(std::chrono::seconds(20));
        }
#ifndef _WIN32
        if (held_ >= 0) close(held_);
#endif
#ifdef _WIN32
        if (process_ != nullptr) CloseHandle(process_);
#endif
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

#ifdef _WIN32
    bool started() const { return process_ != nullptr; }
    void kill() {
        killed_ = true;
        TerminateProcess(process_, 1);
    }
    // Windows has no signals: tests that send one skip there before they get here.
    void send(int) const {}
    bool blocked_at_message() const { return false; }
    void release() {}
    double cpu_seconds() const { return -1; }
#else
    bool started() const { return pid_ > 0; }
    void kill() { ::kill(pid_, SIGKILL); }
    void send(int sig) const { ::kill(pid_, sig); }

    // Whether the held child is blocked writing its message to the held stream.
    bool blocked_at_message() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/syscall");
        long call = -1;
        std::string fd;
        in >> call >> fd;
        return call == SYS_write && fd == "0x" + std::to_string(held_stream_);
    }
    // The processor time the child has used so far (user and system, from
    // /proc), or -1 where it cannot be seen.
    double cpu_seconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t after_name = stat.rfind(')'); // the name may hold spaces
        if (after_name == std::string::npos) return -1;
        std::istringstream fields(stat.substr(after_name + 2));
        std::string field;
        double user = -1, system = -1;
        for (int n = 3; n <= 15 && fields >> field; ++n) { // fields 14 and 15: utime and stime, in ticks
            if (n == 14) user = std::stod(field);
            if (n == 15) system = std::stod(field);
        }
        if (user < 0 || system < 0) return -1;
        return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    // Lets the held child go on, with room enough in its stderr for what follows.
    void release() {
        if (held_ < 0) return;
        fcntl(held_, F_SETFL, O_NONBLOCK);
        drain();
        fcntl(held_, F_SETFL, 0);
    }
#endif

    // Sends `sig` once `ready()` holds, waiting for it at most `limit`: a
    // deadline, never a fixed sleep. False, with nothing sent, if the child
    // ended first or `ready` never held.
    template <class Ready>
    bool send_once(int sig, Ready&& ready, Clock::duration limit) {
        const bool ended_or_ready = wait_until([&] { return ready() || wait_for(Clock::duration::zero()); }, limit);
        if (!ended_or_ready || ending_) return false;
        send(sig);
        return true;
    }

    // How the child ended, or nothing if it is still running after `limit`.
    std::optional<Ending> wait_for(Clock::duration limit) {
        const auto until = Clock::now() + limit;
        while (!ending_ && started()) {
#ifdef _WIN32
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
            if (WaitForSingleObject(process_, static_cast<DWORD>(left > 0 ? left : 0)) == WAIT_OBJECT_0) {
                DWORD code = 0;
                GetExitCodeProcess(process_, &code);
                ending_ = Ending{!killed_, static_cast<int>(code)};
            }
            break;
#else
            siginfo_t info{};
            const int got = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
            if (got == 0 && info.si_pid == pid_) {
                const std::int64_t read = read_bytes();
                if (held_ >= 0) {
                    drain(); // to the end: the child is gone
                    std::ofstream(err_, std::ios::binary) << held_text_;
                }
                int raw = 0;
                waitpid(pid_, &raw, 0);
                ending_ = WIFEXITED(raw) ? Ending{true, WEXITSTATUS(raw), read} : Ending{false, -1, read};
                break;
            }
            if (got < 0 && errno != EINTR) break;
            if (Clock::now() >= until) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
#endif
        }
        return ending_;
    }

private:
#ifdef _WIN32
    HANDLE process_ = nullptr;
    bool killed_ = false; // Windows has no signals to tell a kill from an exit
#else
    std::int64_t read_bytes() const {
        std::ifstream io("/proc/" + std::to_string(pid_) + "/io");
        std::string key;
        std::int64_t value = 0;
        while (io >> key >> value)
            if (key == "rchar:") return value;
        return -1;
    }
    // Reads what the held pipe has, keeping the child's words and not the filler.
    void drain() {
        char chunk[4096];
        for (ssize_t n; (n = read(held_, chunk, sizeof chunk)) > 0;)
            for (ssize_t i = 0; i < n; ++i)
                if (chunk[i] != '\0') held_text_ += chunk[i];
    }
    pid_t pid_ = -1;
    int held_ = -1; // the held child's held stream, read end
    int held_stream_ = 2;
    std::string held_text_;
#endif
    std::filesystem::path err_; // where the held stream's words land
    std::optional<Ending> ending_;
};

} // namespace wiper::test
