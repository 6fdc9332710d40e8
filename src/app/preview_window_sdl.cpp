// Form1 through SDL2, for X11 and Wayland desktops.
#include "app/preview_window.h"

#include <cstdlib>
#include <string>

#include <SDL.h>

#include "app/preview_region.h"

namespace wiper {

namespace {

class SdlPreviewWindow final : public PreviewWindow {
public:
    explicit SdlPreviewWindow(SDL_Window* window) : window_(window) {}
    ~SdlPreviewWindow() override;
    SdlPreviewWindow(const SdlPreviewWindow&) = delete;
    SdlPreviewWindow& operator=(const SdlPreviewWindow&) = delete;

    void show(const FrameSurface& surface) override;
    bool stop_requested() override;

    // Drains the event queue, noting stop requests and whether the whole client
    // area must be painted again.
    void handle_events();
    // Puts `rows` of the last frame taken on the screen; with everything, also
    // the window colour wherever the frame does not reach.
    void paint(const PreviewRect& rows, bool everything);

private:
    SDL_Window* window_;
    PreviewImage image_;
    bool stop_ = false;
    bool repaint_all_ = false;
};

SDL_Rect to_sdl(const PreviewRect& r) { return SDL_Rect{r.x, r.y, r.w, r.h}; }

// SDL's video drivers for the displays named, in the order SDL itself prefers them.
std::string video_drivers(const char* x11_display, const char* wayland_display) {
    std::string drivers;
    if (x11_display != nullptr && *x11_display != '\0') drivers = "x11";
    if (wayland_display != nullptr && *wayland_display != '\0') drivers += drivers.empty() ? "wayland" : ",wayland";
    return drivers;
}

} // namespace

std::unique_ptr<PreviewWindow> open_preview_window() {
    if (!preview_window_wanted(false, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"))) return nullptr;
    // Ctrl-C and its kin are polled by the run between steps so a stop never
    // cuts a frame file short; SDL must not turn them into its own quit events.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A plain shared-memory framebuffer: the preview is one small picture a
    // frame, not worth a GPU context (and none exists on a virtual display).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A long batch run has no reason to keep the screen awake.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Only the kinds of display the environment names are tried (a user's own
    // SDL_VIDEODRIVER still wins): a failed attempt at another kind would print
    // its complaint on stderr, where only the run's own report belongs.
    const std::string drivers = video_drivers(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (drivers.empty()) return nullptr;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return nullptr;

    SDL_Window* window = SDL_CreateWindow("Form1", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, preview_width,
                                          preview_height, SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        SDL_Quit();
        return nullptr;
    }
    auto preview = std::make_unique<SdlPreviewWindow>(window);
    if (SDL_GetWindowSurface(window) == nullptr) return nullptr; // the destructor closes it
    // Keys are only ever a stop request here; no text is typed into the window.
    SDL_StopTextInput();
    preview->handle_events();
    preview->paint(PreviewRect{}, true);
    return preview;
}

SdlPreviewWindow::~SdlPreviewWindow() {
    SDL_DestroyWindow(window_);
    SDL_Quit();
}

void SdlPreviewWindow::show(const FrameSurface& surface) {
    handle_events();
    const PreviewRect changed = image_.take(surface);
    if (repaint_all_ || !changed.empty()) paint(changed, repaint_all_);
}

bool SdlPreviewWindow::stop_requested() {
    handle_events();
    if (repaint_all_) paint(PreviewRect{}, true);
    return stop_;
}

void SdlPreviewWindow::handle_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_QUIT:
            stop_ = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                stop_ = true;
            // A new size (however it came about) also means a new framebuffer,
            // holding nothing of the frame yet.
            else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                     event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                repaint_all_ = true;
            break;
        default:
            break;
        }
    }
}

void SdlPreviewWindow::paint(const PreviewRect& rows, bool everything) {
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (target == nullptr) return;
    repaint_all_ = false;
    const PreviewRect frame_area = image_.area();
    const PreviewRect drawn = everything ? frame_area : rows;
    if (everything) {
        const Uint32 window_colour =
            SDL_MapRGB(target->format, preview_window_colour.r, preview_window_colour.g, preview_window_colour.b);
        for (const PreviewRect& r : uncovered_regions(frame_area)) {
            const SDL_Rect rect = to_sdl(r);
            SDL_FillRect(target, &rect, window_colour);
        }
    }
    if (!drawn.empty()) {
        // Words of 0x00RRGGBB are SDL's XRGB8888; on the usual framebuffer of
        // that format the blit is a row-by-row copy.
        SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<std::uint32_t*>(image_.words().data()), image_.width(), image_.height(), 32,
            static_cast<int>(image_.pitch()), SDL_PIXELFORMAT_XRGB8888);
        if (frame != nullptr) {
            const SDL_Rect from = to_sdl(drawn);
            SDL_Rect to = from;
            SDL_BlitSurface(frame, &from, target, &to);
            SDL_FreeSurface(frame);
        }
    }
    if (everything) {
        SDL_UpdateWindowSurface(window_);
    } else {
        const SDL_Rect rect = to_sdl(drawn);
        SDL_UpdateWindowSurfaceRects(window_, &rect, 1);
    }
}

} // namespace wiper
