#include "platform/program_folder.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/failure.h"

namespace wiper {

std::string program_folder() {
    // /proc/self/exe names the executable actually running, however it was started.
    const char* link = "/proc/self/exe";
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink(link, buffer.data(), buffer.size());
        if (n < 0)
            throw Failure(FailureKind::file_access,
                          std::string("cannot find the folder that holds the program: ") + link + ": " +
                              std::strerror(errno));
        if (static_cast<std::size_t>(n) < buffer.size()) {
            const std::string exe(buffer.data(), static_cast<std::size_t>(n));
            const std::size_t slash = exe.find_last_of('/');
            if (exe.empty() || exe[0] != '/' || slash == std::string::npos)
                throw Failure(FailureKind::file_access,
                              "cannot find the folder that holds the program: " + std::string(link) +
                                  " does not name it (" + exe + ")");
            return slash == 0 ? "/" : exe.substr(0, slash);
        }
        if (buffer.size() >= (std::size_t{1} << 20))
            throw Failure(FailureKind::file_access,
                          std::string("cannot find the folder that holds the program: ") + link + ": name too long");
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace wiper
