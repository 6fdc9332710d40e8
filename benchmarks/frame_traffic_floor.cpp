// The cost floors of a run: the same frame-file traffic as the renderer, with
// no drawing.
//
//   write-once  each frame file written once, whole, and nothing read: the
//               least any renderer of these frames must do
//   plain       the first part creates every frame file whole; every later
//               part reads frame n whole and writes it back, truncating it
//   in-place    the same, overwriting the bytes where they are
//
//   frame_traffic_floor write-once|plain|in-place FOLDER WIDTH HEIGHT FRAMES PARTS
//
// And the break-even of merging two changed spans of a frame file into one
// write: how many bytes cost as much to write as one more system call does.
// Measured on a frame file of the given size saved as the renderer saves one,
// in the page cache, by small writes one a row (the cost of a call) against
// long runs of rows (the cost of a byte); the best of several rounds, as the
// machine is shared. The frame file lives in a temporary folder made for it
// inside FOLDER (on the file system the renderer writes to), which is removed
// however the measurement ends.
//
//   frame_traffic_floor break-even FOLDER WIDTH HEIGHT   ->   "<bytes> <ns a call> <ns a byte>"
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/bmp_writer.h"
#include "imaging/file_io.h"

namespace {

// Thrown rather than exiting, so the break-even's temporary folder is removed
// on the way out.
[[noreturn]] void die(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::FILE* open(const std::string& path, const char* mode) {
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (!f) die(path);
    std::setvbuf(f, nullptr, _IONBF, 0); // the renderer writes unbuffered too
    return f;
}

void write_all(std::FILE* f, const void* data, std::size_t n, const std::string& path) {
    if (std::fwrite(data, 1, n, f) != n) die(path);
}

void put(int fd, const unsigned char* data, std::size_t n, std::size_t at, const std::string& path) {
    if (pwrite(fd, data, n, static_cast<off_t>(at)) != static_cast<ssize_t>(n)) die(path);
}

// A fresh folder inside `parent`, removed with all it holds when this ends,
// whether the measurement finished or failed.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& parent) {
        std::string name = parent + "/break-even.XXXXXX";
        if (!::mkdtemp(name.data())) die(name);
        path_ = name;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class Descriptor {
public:
    Descriptor(const std::string& path, int flags) : path_(path), fd_(::open(path.c_str(), flags)) {
        if (fd_ < 0) die(path);
    }
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) die(path_);
    }

private:
    std::string path_;
    int fd_;
};

int break_even(const std::string& folder, int w, int h) {
    const std::size_t stride = wiper::bmp_stride(w);
    const std::size_t size = wiper::bmp_header_size + stride * static_cast<std::size_t>(h);
    const std::vector<unsigned char> file(size, 0xFF);
    const ScratchFolder scratch(folder);
    const std::string path = scratch.path() + "/break-even.bmp";
    wiper::replace_file(path, wiper::bmp_header(w, h), std::span(file).subspan(wiper::bmp_header_size),
                        {"the break-even file", "the break-even file"});
    Descriptor fd(path, O_WRONLY);

    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    constexpr std::size_t small = 60; // a polygon's span of 20 pixels
    constexpr int rounds = 9;
    const std::size_t rows = static_cast<std::size_t>(h);
    const std::size_t block = std::min<std::size_t>(rows, 64) * stride;
    double per_call = 1e9, per_byte = 1e9;
    for (int round = 0; round < rounds; ++round) {
        auto t0 = Clock::now();
        for (std::size_t y = 0; y < rows; ++y) put(fd.get(), file.data(), small, 54 + y * stride + stride / 3, path);
        per_call = std::min(per_call, seconds(Clock::now() - t0) / static_cast<double>(rows));
        t0 = Clock::now();
        std::size_t bytes = 0;
        for (std::size_t at = 54; at + block <= size; at += block, bytes += block)
            put(fd.get(), file.data(), block, at, path);
        per_byte = std::min(per_byte, seconds(Clock::now() - t0) / static_cast<double>(bytes));
    }
    fd.close();
    const double overhead = std::max(per_call - small * per_byte, 0.0);
    std::printf("%.0f %.1f %.4f\n", overhead / per_byte, per_call * 1e9, per_byte * 1e9);
    return 0;
}

} // namespace

int run(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "break-even" && argc == 5) return break_even(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc != 7 || (mode != "write-once" && mode != "plain" && mode != "in-place")) {
        std::fprintf(stderr,
                     "usage: %s write-once|plain|in-place FOLDER WIDTH HEIGHT FRAMES PARTS\n"
                     "       %s break-even FOLDER WIDTH HEIGHT\n",
                     argv[0], argv[0]);
        return 2;
    }
    const std::string folder = argv[2];
    const int w = std::atoi(argv[3]);
    const int h = std::atoi(argv[4]);
    const int frames = std::atoi(argv[5]);
    const int parts = mode == "write-once" ? 1 : std::atoi(argv[6]);
    const bool in_place = mode == "in-place";

    const auto header = wiper::bmp_header(w, h);
    std::vector<unsigned char> file(header.size() + wiper::bmp_stride(w) * static_cast<std::size_t>(h), 0xFF);
    std::memcpy(file.data(), header.data(), header.size());

    for (int part = 1; part <= parts; ++part) {
        for (int n = 1; n <= frames; ++n) {
            const std::string path = folder + "/buffer/w_" + std::to_string(n) + ".bmp";
            if (part > 1) {
                std::FILE* in = open(path, "rb");
                if (std::fread(file.data(), 1, file.size(), in) != file.size()) die(path);
                if (std::fclose(in) != 0) die(path);
            }
            std::FILE* out = open(path, part > 1 && in_place ? "r+b" : "wb");
            write_all(out, file.data(), file.size(), path);
            if (std::fclose(out) != 0) die(path);
        }
    }
    return 0;
}

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
}
