// Micro-benchmarks of the hot steps of a frame, so a slowdown shows where it is.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "common/module1.h"
#include "geometry/poses.h"
#include "imaging/bmp_reader.h"
#include "imaging/bmp_writer.h"
#include "imaging/frame_surface.h"
#include "imaging/rasterizer.h"
#include "imaging/surface_steps.h"

namespace {

using namespace wiper;

// A 100-point blade-like outline: a long thin lens across much of a 1080p frame.
std::vector<screen_point> blade_outline() {
    std::vector<screen_point> pts;
    for (int i = 0; i < 50; ++i) {
        const double t = i / 49.0;
        pts.push_back({static_cast<std::int32_t>(300 + 1300 * t), static_cast<std::int32_t>(500 - 40 * std::sin(t * 3.14))});
    }
    for (int i = 49; i >= 0; --i) {
        const double t = i / 49.0;
        pts.push_back({static_cast<std::int32_t>(300 + 1300 * t), static_cast<std::int32_t>(520 + 40 * std::sin(t * 3.14))});
    }
    return pts;
}

void BM_DrawBladePolygon1080p(benchmark::State& state) {
    FrameSurface s;
    s.set_size(1920, 1080);
    RasterScratch scratch;
    const auto pts = blade_outline();
    for (auto _ : state) {
        draw_polygon(s, pts, scratch);
        benchmark::DoNotOptimize(s.bytes().data());
    }
}
BENCHMARK(BM_DrawBladePolygon1080p);

void BM_DrawArmPolygonAcross1080p(benchmark::State& state) {
    FrameSurface s;
    s.set_size(1920, 1080);
    RasterScratch scratch;
    const std::vector<screen_point> arm{{960, 1070}, {200, 40}, {230, 20}, {990, 1060}};
    for (auto _ : state) {
        draw_polygon(s, arm, scratch);
        benchmark::DoNotOptimize(s.bytes().data());
    }
}
BENCHMARK(BM_DrawArmPolygonAcross1080p);

// The first part's frame start: white again after the previous frame's arm.
void BM_ClearToWhiteAfterArm1080p(benchmark::State& state) {
    FrameSurface s;
    s.set_size(1920, 1080);
    RasterScratch scratch;
    const std::vector<screen_point> arm{{960, 1070}, {200, 40}, {230, 20}, {990, 1060}};
    for (auto _ : state) {
        draw_polygon(s, arm, scratch);
        clear_to_white(s);
        benchmark::DoNotOptimize(s.bytes().data());
    }
}
BENCHMARK(BM_ClearToWhiteAfterArm1080p);

// A picture of the surface's size that is not byte for byte our own header
// (another resolution field) goes through the general decoder.
void BM_DecodeForeign24Bit1080p(benchmark::State& state) {
    FrameSurface s;
    s.set_size(1920, 1080);
    std::vector<std::uint8_t> file(bmp_header_size + s.byte_count(), 0xFF);
    const auto header = bmp_header(1920, 1080);
    std::copy(header.begin(), header.end(), file.begin());
    file[38] = 0x12; // another pixels-per-metre value
    MemorySource src(file, "bench.bmp");
    for (auto _ : state) {
        decode_bmp_onto(src, s);
        benchmark::DoNotOptimize(s.bytes().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_DecodeForeign24Bit1080p);

Part part_with_points(int count) {
    Part p;
    p.name = "coordinate_bench.txt";
    p.frame_count = 240;
    p.sweep_angle = -80;
    p.centre_x = 960;
    p.centre_y = 1000;
    for (int i = 0; i < count; ++i) p.part_points[i] = {600 + 7 * i, 300 + (i % 2) * 20};
    p.last_point = count - 1;
    return p;
}

void BM_SweptPose101Points(benchmark::State& state) {
    const Part part = part_with_points(101);
    const PreparedPart p(part);
    point_slots_array out{};
    std::int32_t n = 1;
    for (auto _ : state) {
        swept_pose(p, n, out);
        n = n % 240 + 1;
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_SweptPose101Points);

void BM_CarriedPose101Points(benchmark::State& state) {
    const Part part = part_with_points(101);
    const PreparedPart p(part);
    point_slots_array out{};
    double blade = 0;
    std::int32_t n = 1;
    for (auto _ : state) {
        carried_pose(p, BladeTurns{30, 30}, n, blade, out);
        n = n % 240 + 1;
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_CarriedPose101Points);

} // namespace

BENCHMARK_MAIN();
