// Runs a command and prints its wall time in seconds, its peak resident
// memory in bytes, and the bytes it moved through read and write calls (rchar
// and wchar of /proc/PID/io). A small launcher, so the peak is the command's
// own and not that of a large parent process it was forked from. The byte
// counts are read once the command has ended but before it is reaped, when
// the kernel still keeps them; -1 where it keeps none. The command's standard
// output goes to /dev/null.
//
//   measure COMMAND [ARGS...]   ->   "<seconds> <peak bytes> <read bytes> <written bytes>" on stdout
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// rchar and wchar of a process that has ended and is not yet reaped.
void moved_bytes(pid_t pid, long long& read, long long& written) {
    read = written = -1;
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") read = value;
        if (key == "wchar:") written = value;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null < 0 || dup2(null, 1) < 0) _exit(127);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0) return 1;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    long long read = 0, written = 0;
    moved_bytes(pid, read, written);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return 1;
    std::printf("%.6f %ld %lld %lld\n", elapsed.count(), usage.ru_maxrss * 1024L, read, written);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
