// Feeds arbitrary bytes to the part file reader as a real file, then places
// and draws the first frames of the part both as a swept and as a carried part
// on a small surface, so hostile headers and points also reach the poses and
// the rasterizer. A Failure is how the run refuses a bad part; anything else
// is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include <unistd.h>

#include "batch/part_file.h"
#include "common/failure.h"
#include "common/module1.h"
#include "geometry/poses.h"
#include "imaging/frame_surface.h"
#include "imaging/rasterizer.h"
#include "imaging/surface_steps.h"

namespace {

const char* const part_name = "coordinate_fuzz.txt";
std::string folder;

void require(bool ok) {
    if (!ok) std::abort();
}

void draw(wiper::FrameSurface& surface, std::span<const wiper::screen_point> polygon) {
    static wiper::RasterScratch scratch;
    wiper::clear_to_white(surface);
    wiper::draw_operation(surface, {wiper::part_ink, polygon}, scratch);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // One folder per process, reused for every input: the file is simply
    // rewritten. In memory where possible: rewriting a file on ext4 flushes it
    // on close and would cost most of the fuzzer's speed.
    char in_memory[] = "/dev/shm/wiper-fuzz-part-XXXXXX";
    char on_disk[] = "/tmp/wiper-fuzz-part-XXXXXX";
    const char* made = mkdtemp(in_memory);
    if (!made) made = mkdtemp(on_disk);
    if (!made) std::abort();
    folder = made;
    std::atexit([] {
        std::remove((folder + "/" + part_name).c_str());
        rmdir(folder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::FILE* f = std::fopen((folder + "/" + part_name).c_str(), "wb");
        if (!f) std::abort();
        if (size && std::fwrite(data, 1, size, f) != size) std::abort();
        if (std::fclose(f) != 0) std::abort();
    }

    wiper::Module1 m;
    try {
        wiper::legge_files_coordinate(m, folder, part_name);
    } catch (const wiper::Failure&) {
        return 0;
    }
    require(m.part.last_point >= -1 && m.part.last_point < wiper::point_slots);

    static wiper::FrameSurface surface = [] {
        wiper::FrameSurface s;
        s.set_size(64, 48);
        return s;
    }();
    // Both kinds, at each frame and halfway to the next, where coordinates clip.
    const std::int32_t frames = m.part.frame_count < 3 ? m.part.frame_count : 3;
    const wiper::BladeTurns turns{30, -45};
    for (const wiper::PartKind kind : {wiper::PartKind::swept, wiper::PartKind::carried}) {
        m.part.kind = kind;
        double blade_angle = 0.0;
        try {
            for (std::int32_t n = 1; n <= frames; ++n)
                for (const double t : {static_cast<double>(n), n + 0.5})
                    if (t <= frames) draw(surface, wiper::pose_part(m.part, turns, t, blade_angle, m.frame_points));
        } catch (const wiper::Failure&) {
        }
    }
    return 0;
}
