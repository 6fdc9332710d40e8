// Runs a command and prints its wall time in seconds and its peak resident
// memory in bytes. A small launcher, so the peak is the command's own and not
// that of a large parent process it was forked from.
//
//   measure COMMAND [ARGS...]   ->   "<seconds> <peak bytes>" on stdout
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return 1;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%.6f %ld\n", elapsed.count(), usage.ru_maxrss * 1024L);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
