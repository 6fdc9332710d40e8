#include "field/mask_outline.h"

#include <bit>

namespace wiper {

namespace {

// Directions along the edges, clockwise on screen (y down): a right turn adds one.
enum Direction : int { east = 0, south = 1, west = 2, north = 3 };

class Tracer {
public:
    explicit Tracer(const PixelMask& mask)
        : mask_(mask), width_(mask.width()), height_(mask.height()),
          mask_words_((static_cast<std::size_t>(width_) + 63) / 64),
          edge_words_(static_cast<std::size_t>(width_) / 64 + 1),
          seen_(edge_words_ * static_cast<std::size_t>(height_), 0) {}

    MaskOutline run(const std::function<void()>& between) {
        for (std::int32_t y = 0; y < height_; ++y) {
            if (between) between();
            const std::uint64_t* row = mask_.row(y);
            std::uint64_t carry = 0; // the pixel left of the word's first
            for (std::size_t k = 0; k < edge_words_; ++k) {
                const std::uint64_t now = k < mask_words_ ? row[k] : 0;
                // A vertical edge at corner column x where pixels x - 1 and x differ.
                std::uint64_t edges = (now ^ ((now << 1) | carry)) & ~seen_word(k, y);
                carry = now >> 63;
                for (; edges != 0; edges &= edges - 1) {
                    const auto x = static_cast<std::int32_t>(k * 64 + static_cast<std::size_t>(std::countr_zero(edges)));
                    if (!seen(x, y)) follow(x, y); // a ring traced just now may have taken it
                }
            }
        }
        return std::move(outline_);
    }

private:
    bool pixel(std::int32_t x, std::int32_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_ && mask_.test(x, y);
    }
    std::uint64_t& seen_word(std::size_t k, std::int32_t y) {
        return seen_[static_cast<std::size_t>(y) * edge_words_ + k];
    }
    bool seen(std::int32_t x, std::int32_t y) {
        return (seen_word(static_cast<std::size_t>(x) / 64, y) >> (static_cast<unsigned>(x) % 64)) & 1u;
    }
    // The vertical edge from corner (x, y) down to (x, y + 1).
    void mark(std::int32_t x, std::int32_t y) {
        seen_word(static_cast<std::size_t>(x) / 64, y) |= std::uint64_t{1} << (static_cast<unsigned>(x) % 64);
    }

    // Where to go on from corner (x, y), arrived at going `dir`, keeping the set
    // pixels on the right. Where only the pixels diagonally ahead-left and
    // behind-right are set, the ring turns right: they stay on separate rings.
    Direction turn(std::int32_t x, std::int32_t y, Direction dir) const {
        bool left = false, right = false; // the pixels ahead, on either side
        switch (dir) {
        case east: left = pixel(x, y - 1), right = pixel(x, y); break;
        case south: left = pixel(x, y), right = pixel(x - 1, y); break;
        case west: left = pixel(x - 1, y), right = pixel(x - 1, y - 1); break;
        case north: left = pixel(x - 1, y - 1), right = pixel(x, y - 1); break;
        }
        if (!right) return static_cast<Direction>((dir + 1) % 4);
        if (left) return static_cast<Direction>((dir + 3) % 4);
        return dir;
    }

    // Follows the ring of the vertical edge from corner (x0, y0) down, the
    // first of its ring in scan order, so corner (x0, y0) is where it turns.
    // Each edge has one edge after it, so the ring comes back to where it began.
    void follow(std::int32_t x0, std::int32_t y0) {
        mark(x0, y0);
        // Set on its right, the edge goes north and has just arrived at (x0, y0).
        const Direction first = pixel(x0, y0) ? turn(x0, y0, north) : south;
        outline_.corners.push_back({x0, y0});
        std::int32_t x = x0, y = y0;
        Direction dir = first;
        for (;;) {
            switch (dir) {
            case east: ++x; break;
            case south: mark(x, y), ++y; break;
            case west: --x; break;
            case north: --y, mark(x, y); break;
            }
            const Direction next = turn(x, y, dir);
            if (x == x0 && y == y0 && next == first) break;
            if (next != dir) outline_.corners.push_back({x, y});
            dir = next;
        }
        outline_.ring_ends.push_back(outline_.corners.size());
    }

    const PixelMask& mask_;
    std::int32_t width_, height_;
    std::size_t mask_words_, edge_words_; // a row's words in the mask; and of vertical edges, one more column
    std::vector<std::uint64_t> seen_;     // the vertical edges already on a ring
    MaskOutline outline_;
};

} // namespace

MaskOutline trace_outline(const PixelMask& mask, const std::function<void()>& between) {
    return Tracer(mask).run(between);
}

} // namespace wiper
