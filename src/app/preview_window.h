#pragma once
#include <memory>

#include "app/preview_region.h"
#include "imaging/frame_surface.h"

struct SDL_Window;

namespace wiper {

// The "Form1" window: a fixed 753 x 394 client area whose drawing area shows
// each frame, unscaled from its top-left corner, as soon as its polygon is
// drawn. The window only reads the frame surface, so what is saved is the same
// with or without it.
//
// Window events are handled whenever a frame is shown and whenever the run asks
// whether to stop, so the window stays movable and repainted throughout. A key
// going down in it, or closing it, asks the run to stop.
class PreviewWindow {
public:
    // Opens the window, shown and cleared to the window colour, or returns null
    // when none can be had (no display, or the toolkit fails); the run then goes
    // on without one. Leaves SIGINT, SIGTERM and SIGHUP to the program.
    static std::unique_ptr<PreviewWindow> open();

    ~PreviewWindow();
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    // Shows the visible part of `surface` and handles pending window events.
    void show(const FrameSurface& surface);

    // Handles pending window events. True from the moment a key went down in the
    // window or it was closed; it stays true.
    bool stop_requested();

private:
    explicit PreviewWindow(SDL_Window* window) : window_(window) {}

    // Drains the event queue, noting stop requests and whether the whole client
    // area must be painted again.
    void handle_events();
    // Puts `rows` of the last frame taken on the screen; with everything, also
    // the window colour wherever the frame does not reach.
    void paint(const PreviewRect& rows, bool everything);

    SDL_Window* window_;
    PreviewImage image_;
    bool stop_ = false;
    bool repaint_all_ = false;
};

} // namespace wiper
