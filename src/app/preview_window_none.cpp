// A build without a window toolkit: every run is headless.
#include "app/preview_window.h"

namespace wiper {

std::unique_ptr<PreviewWindow> open_preview_window(const WindowHooks&, StandardStreams&) { return nullptr; }

} // namespace wiper
