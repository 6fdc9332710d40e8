#pragma once
#include <cstdint>
#include <vector>

#include "imaging/rasterizer.h"

namespace wiper {

// The spans of one polygon, kept to be compared with another's: two blades
// that cover a pixel at the same moment touch on the glass.
class SpanList final : public SpanSink {
public:
    void span(Ink, std::int32_t y, std::int32_t x_begin, std::int32_t x_end) override {
        spans_.push_back(Span{y, x_begin, x_end});
        sorted_ = false;
    }
    void clear() {
        spans_.clear();
        sorted_ = true;
    }
    bool empty() const { return spans_.empty(); }
    // Sends every span on to `sink`, as the rasterizer sent them here.
    void replay(SpanSink& sink) const;
    // Whether the two polygons cover a common pixel.
    bool shares_a_pixel_with(SpanList& other);

private:
    struct Span {
        std::int32_t y, x_begin, x_end;
    };
    void sort();

    std::vector<Span> spans_;
    bool sorted_ = true;
};

} // namespace wiper
