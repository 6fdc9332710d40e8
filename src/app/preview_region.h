#pragma once
// What the preview window shows of a frame, worked out without any window
// toolkit so it can be checked without a display: which part of the frame
// surface the client area shows, the bytes copied for it, what is left to the
// window colour, and whether a window is wanted at all.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/colour.h"
#include "imaging/frame_surface.h"

namespace wiper {

// The client area of the preview window. Fixed: the program never resizes it.
inline constexpr std::int32_t preview_width = 753;
inline constexpr std::int32_t preview_height = 394;

// Where the frame does not reach, the client area shows the window colour.
inline constexpr Colour preview_window_colour{240, 240, 240};

// A rectangle of the client area, in pixels, (0,0) at its top left.
struct PreviewRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t w = 0;
    std::int32_t h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    friend bool operator==(const PreviewRect&, const PreviewRect&) = default;
};

// The part of a width x height frame the client area shows: the frame sits
// unscaled at (0,0), so this is its top-left corner, clipped to the client area.
PreviewRect visible_region(std::int32_t surface_width, std::int32_t surface_height);

// The parts of the client area a frame showing `visible` leaves uncovered: the
// strip right of it (as tall as the frame) and the strip below it (the full
// width), without the empty ones.
std::vector<PreviewRect> uncovered_regions(const PreviewRect& visible);

// The visible part of the last frame taken, top row first, one 32-bit word a
// pixel holding 0x00RRGGBB: the layout of a typical window framebuffer, so
// putting it on the screen is a straight copy. Only the visible rows and
// columns of the surface are ever read, so taking an 8K frame costs no more
// than taking one the size of the window; and only the rows that differ from
// the frame taken before are converted and need to reach the screen again.
class PreviewImage {
public:
    // Takes the visible part of `surface`. Returns the band of client rows
    // whose pixels differ from the previous take, full width: every visible row
    // on the first take or after a change of size, nothing when the frame looks
    // the same.
    PreviewRect take(const FrameSurface& surface);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    PreviewRect area() const { return {0, 0, width_, height_}; }
    // Bytes from one row to the next.
    std::size_t pitch() const { return static_cast<std::size_t>(width_) * sizeof(std::uint32_t); }
    std::span<const std::uint32_t> words() const { return {words_.data(), pixel_count()}; }
    std::uint32_t word(std::int32_t x, std::int32_t y) const { return words_[index(x, y)]; }
    Colour pixel(std::int32_t x, std::int32_t y) const;

private:
    std::size_t pixel_count() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }
    std::size_t index(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    }

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<std::uint8_t> taken_;    // the visible rows as the surface held them, B, G, R
    std::vector<std::uint32_t> words_;   // the same pixels as 0x00RRGGBB
};

// Whether to try for a window: not when asked to run headless, and not when the
// environment names no display to open one on (an empty name counts as none).
bool preview_window_wanted(bool headless_option, const char* x11_display, const char* wayland_display);

} // namespace wiper
