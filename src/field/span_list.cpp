#include "field/span_list.h"

#include <algorithm>

namespace wiper {

void SpanList::replay(SpanSink& sink) const {
    for (const Span& s : spans_) sink.span(Ink::fill, s.y, s.x_begin, s.x_end);
}

void SpanList::sort() {
    if (sorted_) return;
    std::sort(spans_.begin(), spans_.end(),
              [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x_begin < b.x_begin; });
    sorted_ = true;
}

bool SpanList::shares_a_pixel_with(SpanList& other) {
    sort();
    other.sort();
    // Both lists in row order, then column order: walk them side by side. On
    // a row, the span that ends first cannot meet anything later in the other.
    auto a = spans_.begin(), b = other.spans_.begin();
    while (a != spans_.end() && b != other.spans_.end()) {
        if (a->y != b->y) {
            (a->y < b->y ? a : b)++;
            continue;
        }
        if (a->x_begin < b->x_end && b->x_begin < a->x_end) return true;
        (a->x_end < b->x_end ? a : b)++;
    }
    return false;
}

} // namespace wiper
