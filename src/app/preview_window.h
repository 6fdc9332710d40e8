#pragma once
#include <functional>
#include <memory>
#include <string>

#include "imaging/frame_surface.h"
#include "platform/standard_streams.h"

namespace wiper {

// The "Form1" window: a fixed 753 x 394 client area whose drawing area shows
// each frame, unscaled from its top-left corner, as soon as its polygon is
// drawn. The window only reads the frame surface, so what is saved is the same
// with or without it.
//
// Window events are handled whenever a frame is shown and whenever the run asks
// whether to stop, so the window stays movable and repainted throughout. A key
// going down in it (a modifier alone too), or closing it, asks the run to stop.
//
// One toolkit is built in, chosen when the program is configured (SDL2, Win32
// or none); this is all the rest of the program sees of it.
class PreviewWindow {
public:
    virtual ~PreviewWindow() = default;

    // Shows the visible part of `surface` and handles pending window events.
    virtual void show(const FrameSurface& surface) = 0;

    // Handles pending window events. True from the moment a key went down in the
    // window or it was closed; it stays true.
    virtual bool stop_requested() = 0;
};

// What the window may ask of the program.
struct WindowHooks {
    // Whether a stop was asked for from outside the window (Ctrl-C...): the
    // window then waits for its toolkit no longer.
    std::function<bool()> stop_requested;
    // One warning for the user: a display that does not answer, say.
    std::function<void(const std::string&)> warn;
};

// Opens the window, shown and cleared to the window colour, or returns null
// when none can be had (no display, no toolkit built in, or the toolkit
// fails); the run then goes on without one. A toolkit that does not answer
// within a few seconds, then or later, is warned about and left behind, and
// a stop asked for meanwhile ends the wait at once. Leaves Ctrl-C and the
// other stop requests from outside to the program. What the toolkit prints on
// `streams`' standard streams is kept off them; the window uses them no longer
// than it lives.
std::unique_ptr<PreviewWindow> open_preview_window(const WindowHooks& hooks, StandardStreams& streams);

} // namespace wiper
