// The cost floor of a run: the same frame-file traffic as the renderer, with no
// drawing. The first part creates every 24-bit frame file whole; every later
// part reads frame n whole and writes it back, either truncating the file
// ("plain") or overwriting its bytes where they are ("in-place").
//
//   frame_traffic_floor plain|in-place FOLDER WIDTH HEIGHT FRAMES PARTS
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/bmp_writer.h"

namespace {

[[noreturn]] void die(const std::string& what) {
    std::perror(what.c_str());
    std::exit(1);
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s plain|in-place FOLDER WIDTH HEIGHT FRAMES PARTS\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const std::string folder = argv[2];
    const int w = std::atoi(argv[3]);
    const int h = std::atoi(argv[4]);
    const int frames = std::atoi(argv[5]);
    const int parts = std::atoi(argv[6]);
    const bool in_place = mode == "in-place";
    if (!in_place && mode != "plain") return 2;

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
