// Form1 as a native Win32 window. The frame surface already holds its pixels
// as a bottom-up 24-bit DIB, so the visible band of it is kept as one and
// blitted unscaled with SetDIBitsToDevice; the rest of the client area is the
// window colour.
#include "app/preview_window.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <windows.h>

#include "app/preview_region.h"

namespace wiper {

namespace {

constexpr wchar_t class_name[] = L"WiperRenderForm1";
// A fixed size: no sizing border and no maximize box.
constexpr DWORD form_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD form_ex_style = 0;

class Win32PreviewWindow final : public PreviewWindow {
public:
    Win32PreviewWindow() = default;
    ~Win32PreviewWindow() override {
        if (window_ != nullptr) DestroyWindow(window_);
        if (brush_ != nullptr) DeleteObject(brush_);
    }
    Win32PreviewWindow(const Win32PreviewWindow&) = delete;
    Win32PreviewWindow& operator=(const Win32PreviewWindow&) = delete;

    bool create();
    void show(const FrameSurface& surface) override;
    bool stop_requested() override {
        pump_messages();
        return stop_;
    }

private:
    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    void pump_messages();
    // Takes the visible band of `surface`; the band of client rows that changed.
    PreviewRect take(const FrameSurface& surface);
    void paint_frame(HDC dc, const PreviewRect& rows) const;
    void paint_all(HDC dc) const;

    HWND window_ = nullptr;
    HBRUSH brush_ = nullptr;
    bool stop_ = false;
    // The visible band of the last frame shown: bottom-up 24-bit DIB rows of
    // `shown_width_` pixels, padded to 4 bytes, as the surface stores them.
    std::int32_t shown_width_ = 0;
    std::int32_t shown_height_ = 0;
    std::size_t shown_stride_ = 0;
    std::vector<std::uint8_t> shown_;
};

bool Win32PreviewWindow::create() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.lpszClassName = class_name;
    // A second window in the same process finds the class already there.
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    brush_ = CreateSolidBrush(RGB(preview_window_colour.r, preview_window_colour.g, preview_window_colour.b));
    if (brush_ == nullptr) return false;

    RECT outer{0, 0, preview_width, preview_height};
    if (!AdjustWindowRectEx(&outer, form_style, FALSE, form_ex_style)) return false;
    window_ = CreateWindowExW(form_ex_style, class_name, L"Form1", form_style, CW_USEDEFAULT, CW_USEDEFAULT,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
    if (window_ == nullptr) return false;
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    pump_messages();
    return true;
}

LRESULT CALLBACK Win32PreviewWindow::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32PreviewWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ != window) return DefWindowProcW(window, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
}

LRESULT Win32PreviewWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: // Alt, F10 and keys held with Alt come this way
        stop_ = true;
        return 0;
    case WM_CLOSE:
        // The run notices the request and ends; the window goes with it.
        stop_ = true;
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers every pixel, frame and window colour alike
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(window_, &ps);
        if (dc != nullptr) {
            paint_all(dc);
            EndPaint(window_, &ps);
        }
        return 0;
    }
    default:
        return DefWindowProcW(window_, message, wparam, lparam);
    }
}

void Win32PreviewWindow::pump_messages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

PreviewRect Win32PreviewWindow::take(const FrameSurface& surface) {
    const PreviewRect visible = visible_region(surface.width(), surface.height());
    const std::size_t row_bytes = static_cast<std::size_t>(visible.w) * 3;
    if (visible.w != shown_width_ || visible.h != shown_height_) {
        shown_width_ = visible.w;
        shown_height_ = visible.h;
        shown_stride_ = (row_bytes + 3) & ~std::size_t{3};
        shown_.assign(shown_stride_ * static_cast<std::size_t>(visible.h), 0);
        for (std::int32_t y = 0; y < visible.h; ++y)
            std::memcpy(&shown_[static_cast<std::size_t>(visible.h - 1 - y) * shown_stride_], surface.row(y), row_bytes);
        return visible;
    }
    std::int32_t top = visible.h, bottom = -1;
    for (std::int32_t y = 0; y < visible.h; ++y) {
        std::uint8_t* to = &shown_[static_cast<std::size_t>(visible.h - 1 - y) * shown_stride_];
        if (std::memcmp(to, surface.row(y), row_bytes) == 0) continue;
        std::memcpy(to, surface.row(y), row_bytes);
        top = std::min(top, y);
        bottom = y;
    }
    if (bottom < 0) return PreviewRect{};
    return PreviewRect{0, top, visible.w, bottom - top + 1};
}

void Win32PreviewWindow::paint_frame(HDC dc, const PreviewRect& rows) const {
    if (rows.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shown_width_;
    info.bmiHeader.biHeight = shown_height_; // positive: bottom-up, as kept
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    // Source coordinates of a bottom-up DIB count rows from its bottom.
    SetDIBitsToDevice(dc, rows.x, rows.y, static_cast<DWORD>(rows.w), static_cast<DWORD>(rows.h), rows.x,
                      shown_height_ - rows.y - rows.h, 0, static_cast<UINT>(shown_height_), shown_.data(), &info,
                      DIB_RGB_COLORS);
}

void Win32PreviewWindow::paint_all(HDC dc) const {
    const PreviewRect frame{0, 0, shown_width_, shown_height_};
    for (const PreviewRect& r : uncovered_regions(frame)) {
        const RECT rect{r.x, r.y, r.x + r.w, r.y + r.h};
        FillRect(dc, &rect, brush_);
    }
    paint_frame(dc, frame);
}

void Win32PreviewWindow::show(const FrameSurface& surface) {
    pump_messages();
    const PreviewRect changed = take(surface);
    if (changed.empty()) return;
    const HDC dc = GetDC(window_);
    if (dc == nullptr) return;
    if (changed.w == shown_width_ && changed.h == shown_height_) paint_all(dc); // a new size: everything
    else paint_frame(dc, changed);
    ReleaseDC(window_, dc);
    GdiFlush();
}

} // namespace

// A Windows desktop answers at once: there is no display to wait for.
std::unique_ptr<PreviewWindow> open_preview_window(const WindowHooks&, StandardStreams&) {
    // The client area is 753 x 394 device pixels, as on every other platform:
    // a display scaled above 100 % must not stretch it.
    SetProcessDPIAware();
    auto window = std::make_unique<Win32PreviewWindow>();
    if (!window->create()) return nullptr;
    return window;
}

} // namespace wiper
