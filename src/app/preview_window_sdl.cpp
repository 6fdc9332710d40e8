// Form1 through SDL2, for X11 and Wayland desktops.
//
// Every SDL call is made on a thread of the window's own, and the run waits
// for each of them only up to a deadline, looking for Ctrl-C meanwhile. A
// display can accept the connection and then never answer (a stale ssh -X
// forward, a hung X server); SDL would wait for it for ever, and the run with
// it. Past the deadline the run goes on without a window and leaves that
// thread to end with the program.
//
// The toolkit is loaded only when a window is opened: a run without one
// neither waits for its fifty-odd libraries as it starts nor needs them
// installed. Its headers give the types and constants; its functions are
// found in the library by name.
#include "app/preview_window.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include <SDL.h>

#include "app/preview_region.h"
#include "platform/quiet_output.h"
#include "platform/shared_library.h"

namespace wiper {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long the run waits for the window: to come up, then for each frame shown
// or each look at its events, and to close at the end.
constexpr Clock::duration start_deadline = 4s;
constexpr Clock::duration step_deadline = 2s;
constexpr Clock::duration close_deadline = 1s;

SDL_Rect to_sdl(const PreviewRect& r) { return SDL_Rect{r.x, r.y, r.w, r.h}; }

// The toolkit's functions this window calls.
struct Sdl {
    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_Init) Init = nullptr;
    decltype(&SDL_Quit) Quit = nullptr;
    decltype(&SDL_CreateWindow) CreateWindow = nullptr;
    decltype(&SDL_DestroyWindow) DestroyWindow = nullptr;
    decltype(&SDL_GetWindowSurface) GetWindowSurface = nullptr;
    decltype(&SDL_UpdateWindowSurface) UpdateWindowSurface = nullptr;
    decltype(&SDL_UpdateWindowSurfaceRects) UpdateWindowSurfaceRects = nullptr;
    decltype(&SDL_StopTextInput) StopTextInput = nullptr;
    decltype(&SDL_PollEvent) PollEvent = nullptr;
    decltype(&SDL_MapRGB) MapRGB = nullptr;
    decltype(&SDL_FillRect) FillRect = nullptr;
    decltype(&SDL_CreateRGBSurfaceWithFormatFrom) CreateRGBSurfaceWithFormatFrom = nullptr;
    decltype(&SDL_UpperBlit) UpperBlit = nullptr; // what SDL_BlitSurface stands for
    decltype(&SDL_FreeSurface) FreeSurface = nullptr;
};

template <typename Function>
bool find(SharedLibrary& library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(library.symbol(name));
    return function != nullptr;
}

// Loads the toolkit and finds each of its functions; null, with the reason in
// `why`, when it is not installed or lacks one.
std::shared_ptr<const Sdl> load_sdl(std::string& why) {
    SharedLibrary library(WIPER_SDL2_LIBRARY);
    auto sdl = std::make_shared<Sdl>();
    const bool found = library.loaded() && find(library, "SDL_SetHint", sdl->SetHint) &&
                       find(library, "SDL_Init", sdl->Init) && find(library, "SDL_Quit", sdl->Quit) &&
                       find(library, "SDL_CreateWindow", sdl->CreateWindow) &&
                       find(library, "SDL_DestroyWindow", sdl->DestroyWindow) &&
                       find(library, "SDL_GetWindowSurface", sdl->GetWindowSurface) &&
                       find(library, "SDL_UpdateWindowSurface", sdl->UpdateWindowSurface) &&
                       find(library, "SDL_UpdateWindowSurfaceRects", sdl->UpdateWindowSurfaceRects) &&
                       find(library, "SDL_StopTextInput", sdl->StopTextInput) &&
                       find(library, "SDL_PollEvent", sdl->PollEvent) && find(library, "SDL_MapRGB", sdl->MapRGB) &&
                       find(library, "SDL_FillRect", sdl->FillRect) &&
                       find(library, "SDL_CreateRGBSurfaceWithFormatFrom", sdl->CreateRGBSurfaceWithFormatFrom) &&
                       find(library, "SDL_UpperBlit", sdl->UpperBlit) &&
                       find(library, "SDL_FreeSurface", sdl->FreeSurface);
    if (!found) {
        why = library.error();
        return nullptr;
    }
    return sdl;
}

// SDL's video drivers for the displays named, in the order SDL itself prefers them.
std::string video_drivers(const char* x11_display, const char* wayland_display) {
    std::string drivers;
    if (x11_display != nullptr && *x11_display != '\0') drivers = "x11";
    if (wayland_display != nullptr && *wayland_display != '\0') drivers += drivers.empty() ? "wayland" : ",wayland";
    return drivers;
}

// The window as the toolkit's thread holds it. Only that thread touches it.
class SdlWindow {
public:
    explicit SdlWindow(const Sdl& sdl) : sdl_(sdl) {}
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;
    ~SdlWindow() { close(); }

    // Opens the window, shown and cleared to the window colour; false when SDL cannot.
    bool open(const std::string& drivers, const PreviewImage& image);
    void close();
    // Drains the event queue; true once a key went down in the window or it was closed.
    bool handle_events();
    // Puts `rows` of `image` on the screen; with everything, also the window
    // colour wherever the frame does not reach.
    void paint(const PreviewImage& image, const PreviewRect& rows, bool everything);
    // Events first, then whatever they or the frame need painted.
    bool show(const PreviewImage& image, const PreviewRect& changed) {
        handle_events();
        if (repaint_all_ || !changed.empty()) paint(image, changed, repaint_all_);
        return stop_;
    }

private:
    const Sdl& sdl_;
    SDL_Window* window_ = nullptr;
    bool initialised_ = false;
    bool stop_ = false;
    bool repaint_all_ = false;
};

bool SdlWindow::open(const std::string& drivers, const PreviewImage& image) {
    // Ctrl-C and its kin are polled by the run between steps so a stop never
    // cuts a frame file short; SDL must not turn them into its own quit events.
    sdl_.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A plain shared-memory framebuffer: the preview is one small picture a
    // frame, not worth a GPU context (and none exists on a virtual display).
    sdl_.SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A long batch run has no reason to keep the screen awake.
    sdl_.SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Only the kinds of display the environment names are tried (a user's own
    // SDL_VIDEODRIVER still wins).
    sdl_.SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    if (sdl_.Init(SDL_INIT_VIDEO) != 0) return false;
    initialised_ = true;
    window_ = sdl_.CreateWindow("Form1", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, preview_width,
                                preview_height, SDL_WINDOW_SHOWN);
    if (window_ == nullptr || sdl_.GetWindowSurface(window_) == nullptr) return false;
    // Keys are only ever a stop request here; no text is typed into the window.
    sdl_.StopTextInput();
    handle_events();
    paint(image, PreviewRect{}, true);
    return true;
}

void SdlWindow::close() {
    if (window_ != nullptr) sdl_.DestroyWindow(window_);
    window_ = nullptr;
    if (initialised_) sdl_.Quit();
    initialised_ = false;
}

bool SdlWindow::handle_events() {
    SDL_Event event;
    while (sdl_.PollEvent(&event) != 0) {
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
    return stop_;
}

void SdlWindow::paint(const PreviewImage& image, const PreviewRect& rows, bool everything) {
    SDL_Surface* target = sdl_.GetWindowSurface(window_);
    if (target == nullptr) return;
    repaint_all_ = false;
    const PreviewRect frame_area = image.area();
    const PreviewRect drawn = everything ? frame_area : rows;
    if (everything) {
        const Uint32 window_colour =
            sdl_.MapRGB(target->format, preview_window_colour.r, preview_window_colour.g, preview_window_colour.b);
        for (const PreviewRect& r : uncovered_regions(frame_area)) {
            const SDL_Rect rect = to_sdl(r);
            sdl_.FillRect(target, &rect, window_colour);
        }
    }
    if (!drawn.empty()) {
        // Words of 0x00RRGGBB are SDL's XRGB8888; on the usual framebuffer of
        // that format the blit is a row-by-row copy.
        SDL_Surface* frame = sdl_.CreateRGBSurfaceWithFormatFrom(
            const_cast<std::uint32_t*>(image.words().data()), image.width(), image.height(), 32,
            static_cast<int>(image.pitch()), SDL_PIXELFORMAT_XRGB8888);
        if (frame != nullptr) {
            const SDL_Rect from = to_sdl(drawn);
            SDL_Rect to = from;
            sdl_.UpperBlit(frame, &from, target, &to);
            sdl_.FreeSurface(frame);
        }
    }
    if (everything) {
        sdl_.UpdateWindowSurface(window_);
    } else {
        const SDL_Rect rect = to_sdl(drawn);
        sdl_.UpdateWindowSurfaceRects(window_, &rect, 1);
    }
}

// What the run and the toolkit's thread share. The run hands over one job at a
// time and touches `image` only while no job is on; the thread does the job
// and says it is done. Shared ownership lets a thread the run gave up on
// finish, close what it opened and end, whenever that is.
struct Channel {
    enum class Job { none, open, show, look, close };

    std::mutex mutex;
    std::condition_variable changed;
    Job job = Job::none;    // handed over, not yet taken
    bool busy = false;      // a job is handed over or being done
    bool abandoned = false; // the run waits no more: end after this job
    bool opened = false;    // the result of the open job
    bool stop = false;      // a key went down in the window, or it was closed
    bool over = false;      // the window is closed: no more jobs

    std::shared_ptr<const Sdl> sdl; // the toolkit, loaded
    std::string drivers;
    PreviewImage image;     // the frame to show
    PreviewRect changed_rows;
};

void serve(const std::shared_ptr<Channel>& channel) {
    SdlWindow window(*channel->sdl);
    for (;;) {
        Channel::Job job;
        {
            std::unique_lock lock(channel->mutex);
            channel->changed.wait(lock, [&] { return channel->job != Channel::Job::none || channel->abandoned; });
            if (channel->job == Channel::Job::none) break; // abandoned between jobs
            job = channel->job;
            channel->job = Channel::Job::none;
        }
        // Closing is part of the job that ends the window, so the run's wait
        // (and its quieting of the standard streams) covers it.
        bool opened = true, stop = false, last = false;
        switch (job) {
        case Channel::Job::open:
            opened = window.open(channel->drivers, channel->image);
            if (!opened) window.close();
            last = !opened;
            break;
        case Channel::Job::show: stop = window.show(channel->image, channel->changed_rows); break;
        case Channel::Job::look: stop = window.show(channel->image, PreviewRect{}); break;
        case Channel::Job::close:
            window.close();
            last = true;
            break;
        case Channel::Job::none: break;
        }
        std::lock_guard lock(channel->mutex);
        channel->busy = false;
        if (job == Channel::Job::open) channel->opened = opened;
        channel->stop = channel->stop || stop;
        channel->over = last;
        channel->changed.notify_all();
        if (last || channel->abandoned) break;
    }
    // Given up on, and back at last: the window goes, without the run waiting
    // for it (nor, since the run may be printing, any quieting of its streams).
    window.close();
}

// A deadline that counts only the time a wait should have taken: a run
// suspended meanwhile (Ctrl-Z, or a test pausing it to look at the window)
// does not find its window's time up when it goes on.
class Patience {
public:
    explicit Patience(Clock::duration limit) : left_(limit) {}
    static constexpr Clock::duration slice = 10ms;
    // Counts one wait that began at `began`; false once the time is up.
    bool spend(Clock::time_point began) {
        left_ -= std::min<Clock::duration>(Clock::now() - began, 10 * slice);
        return left_ > Clock::duration::zero();
    }

private:
    Clock::duration left_;
};

class SdlPreviewWindow final : public PreviewWindow {
public:
    SdlPreviewWindow(std::shared_ptr<Channel> channel, WindowHooks hooks, StandardStreams& streams)
        : channel_(std::move(channel)), hooks_(std::move(hooks)), streams_(streams) {}
    // Starts the toolkit's thread; false when there is none to be had.
    bool start() {
        try {
            thread_ = std::thread(serve, channel_);
            return true;
        } catch (const std::system_error&) {
            lost_ = true;
            return false;
        }
    }
    ~SdlPreviewWindow() override;
    SdlPreviewWindow(const SdlPreviewWindow&) = delete;
    SdlPreviewWindow& operator=(const SdlPreviewWindow&) = delete;

    void show(const FrameSurface& surface) override;
    bool stop_requested() override;

    enum class Outcome { done, stop_asked, timed_out, refused };
    // Hands `job` over and waits for it up to `limit`, or until a stop is
    // asked for from outside the window.
    Outcome call(Channel::Job job, Clock::duration limit, const FrameSurface* surface = nullptr);
    // Leaves the thread to itself for good; the run goes on without a window.
    void give_up();

private:
    std::shared_ptr<Channel> channel_;
    std::thread thread_;
    WindowHooks hooks_;
    StandardStreams& streams_;
    bool lost_ = false;
};

SdlPreviewWindow::Outcome SdlPreviewWindow::call(Channel::Job job, Clock::duration limit, const FrameSurface* surface) {
    std::unique_lock lock(channel_->mutex);
    if (channel_->busy || channel_->over) return Outcome::refused;
    if (surface != nullptr) channel_->changed_rows = channel_->image.take(*surface);
    channel_->job = job;
    channel_->busy = true;
    channel_->changed.notify_all();
    Patience patience(limit);
    for (;;) {
        const Clock::time_point began = Clock::now();
        if (channel_->changed.wait_for(lock, Patience::slice, [&] { return !channel_->busy; })) return Outcome::done;
        if (hooks_.stop_requested && hooks_.stop_requested()) return Outcome::stop_asked;
        if (!patience.spend(began)) return Outcome::timed_out;
    }
}

void SdlPreviewWindow::give_up() {
    lost_ = true;
    {
        std::lock_guard lock(channel_->mutex);
        channel_->abandoned = true;
        channel_->changed.notify_all();
    }
    if (thread_.joinable()) thread_.detach();
}

SdlPreviewWindow::~SdlPreviewWindow() {
    if (lost_) return;
    Outcome outcome;
    {
        QuietOutput quiet(streams_); // what the toolkit says as it closes is not the program's either
        outcome = call(Channel::Job::close, close_deadline);
    }
    if (outcome == Outcome::done) {
        thread_.join(); // the window is closed: the thread only returns
        return;
    }
    give_up();
}

void SdlPreviewWindow::show(const FrameSurface& surface) {
    if (lost_) return;
    if (call(Channel::Job::show, step_deadline, &surface) == Outcome::timed_out) {
        if (hooks_.warn) hooks_.warn("the window stopped answering; the run goes on without it");
        give_up();
    }
}

bool SdlPreviewWindow::stop_requested() {
    if (lost_) return false;
    if (call(Channel::Job::look, step_deadline) == Outcome::timed_out) {
        if (hooks_.warn) hooks_.warn("the window stopped answering; the run goes on without it");
        give_up();
        return false;
    }
    std::lock_guard lock(channel_->mutex);
    return channel_->stop;
}

} // namespace

std::unique_ptr<PreviewWindow> open_preview_window(const WindowHooks& hooks, StandardStreams& streams) {
    const char* x11_display = std::getenv("DISPLAY");
    const char* wayland_display = std::getenv("WAYLAND_DISPLAY");
    if (!preview_window_wanted(false, x11_display, wayland_display)) return nullptr;
    std::string why;
    std::shared_ptr<const Sdl> sdl;
    {
        QuietOutput quiet(streams); // what its libraries may say as they load is not the program's either
        sdl = load_sdl(why);
    }
    if (!sdl) {
        if (hooks.warn) hooks.warn("the window toolkit cannot be loaded (" + why + "); the run goes on without a window");
        return nullptr;
    }
    auto channel = std::make_shared<Channel>();
    channel->sdl = std::move(sdl);
    channel->drivers = video_drivers(x11_display, wayland_display);
    const std::string display = x11_display != nullptr && *x11_display != '\0' ? x11_display : wayland_display;

    auto window = std::make_unique<SdlPreviewWindow>(channel, hooks, streams);
    if (!window->start()) return nullptr; // no thread to be had: no window either
    SdlPreviewWindow::Outcome outcome;
    {
        // What the toolkit says about the display while it starts is not the
        // program's to print: a display that cannot be opened means headless.
        QuietOutput quiet(streams);
        outcome = window->call(Channel::Job::open, start_deadline);
    }
    if (outcome == SdlPreviewWindow::Outcome::done) {
        bool opened;
        {
            std::lock_guard lock(channel->mutex);
            opened = channel->opened;
        }
        if (opened) return window;
        window->give_up(); // the thread is ending by itself
        return nullptr;
    }
    if (outcome == SdlPreviewWindow::Outcome::timed_out && hooks.warn)
        hooks.warn("the display " + display + " did not answer within " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(start_deadline).count()) +
                   " seconds; the run goes on without a window");
    // A stop asked for meanwhile is the run's to see, at its first step.
    window->give_up();
    return nullptr;
}

} // namespace wiper
