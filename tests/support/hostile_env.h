#pragma once
// Environments that turn against the program, each with the reason it cannot
// be had where it cannot, so the tests skip there and carry no platform checks.
#include <string>
#include <vector>

#include "support/platform.h"
#include "support/process.h"

#ifndef _WIN32
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#endif

namespace wiper::test {

// An X display that accepts connections and never answers, like a stale ssh -X
// forward: an abstract UNIX socket, where X clients on Linux look first for
// display :n, so nothing is left behind however the test ends.
class DeafDisplay {
public:
    DeafDisplay() {
#ifndef _WIN32
        for (int n = 4000; n < 4400 && fd_ < 0; ++n) {
            const std::string name = "/tmp/.X11-unix/X" + std::to_string(n);
            sockaddr_un a{};
            a.sun_family = AF_UNIX;
            name.copy(a.sun_path + 1, name.size()); // sun_path[0] stays 0: abstract
            const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (!std::filesystem::exists(name) && // a real server's
                bind(fd, reinterpret_cast<sockaddr*>(&a), socklen_t(sizeof a.sun_family + 1 + name.size())) == 0 &&
                listen(fd, 16) == 0)
                fd_ = fd, number_ = n;
            else
                close(fd);
        }
#endif
    }
    ~DeafDisplay() {
#ifndef _WIN32
        for (int fd : clients_) close(fd);
        if (fd_ >= 0) close(fd_);
#endif
    }
    std::string why_not() const { return fd_ >= 0 ? "" : "no abstract X socket to be had"; }
    std::string name() const { return std::string(1, ':').append(std::to_string(number_)); }
    // True once a client connected within `ms` milliseconds; it is never answered.
    bool wait_for_client(int ms) {
#ifdef _WIN32
        (void)ms;
#else
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) == 1) clients_.push_back(accept(fd_, nullptr, nullptr));
#endif
        return !clients_.empty() && clients_.back() >= 0;
    }

private:
    int fd_ = -1;
    int number_ = 0;
    std::vector<int> clients_;
};

// Why the program cannot run here as nobody, writing into `folder`; empty when it can.
inline std::string why_not_as_nobody(const std::string& folder, const std::string& binary) {
    if (is_windows) return "Windows has no setpriv";
    Launch nobody;
    nobody.as_nobody = true;
    Process check("/bin/sh", {"-c", "test -w \"$0\" && test -x \"$1\"", folder, binary}, "/dev/null", "/dev/null",
                  nobody);
    const std::optional<Ending> e = check.wait_for(std::chrono::seconds(20));
    return e && e->exited && e->status == 0 ? ""
                                            : "cannot run as nobody (not root, no setpriv, or a folder above " +
                                                  folder + " closed to others)";
}

} // namespace wiper::test
