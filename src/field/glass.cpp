#include "field/glass.h"

namespace wiper {

std::optional<Glass> read_glass(const std::string&, const std::function<void(const std::string&)>&,
                                const std::function<void()>&) {
    return std::nullopt;
}

GlassPixels glass_pixels(const Glass&, ClipArea picture) {
    return GlassPixels{PixelMask(picture.width, picture.height), PixelMask(picture.width, picture.height)};
}

} // namespace wiper
