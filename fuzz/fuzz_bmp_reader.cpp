// Feeds arbitrary bytes to the BMP reader as an in-memory picture, shown on a
// surface smaller than most pictures and on a single pixel. A Failure is how
// the reader refuses a picture; anything else is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "common/failure.h"
#include "imaging/bmp_reader.h"
#include "imaging/frame_surface.h"

namespace {

constexpr wiper::Colour background{200, 220, 240};

wiper::FrameSurface make_surface(std::int32_t w, std::int32_t h) {
    wiper::FrameSurface s;
    s.set_size(w, h);
    s.set_background(background);
    return s;
}

// A refused picture must leave the surface as it was; a shown one must leave
// the surface's row padding zero, as our writer saves it.
void decode_on(wiper::FrameSurface& surface, std::span<const std::uint8_t> bytes) {
    surface.erase_to_background();
    surface.paint_span(0, 0, 1, wiper::Colour{1, 2, 3});
    wiper::MemorySource source(bytes, "fuzz.bmp");
    try {
        wiper::decode_bmp_onto(source, surface);
    } catch (const wiper::Failure& f) {
        if (f.kind() != wiper::FailureKind::invalid_picture) std::abort();
        if (!(surface.pixel(0, 0) == wiper::Colour{1, 2, 3})) std::abort();
        return;
    }
    const std::size_t used = 3 * static_cast<std::size_t>(surface.width());
    for (std::int32_t y = 0; y < surface.height(); ++y)
        for (std::size_t i = used; i < surface.stride(); ++i)
            if (surface.row(y)[i] != 0) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static wiper::FrameSurface small = make_surface(37, 23);
    static wiper::FrameSurface dot = make_surface(1, 1);
    const std::span<const std::uint8_t> bytes(data, size);
    decode_on(small, bytes);
    decode_on(dot, bytes);
    return 0;
}
