#include "field/pixel_mask.h"

#include <algorithm>
#include <bit>
#include <new>
#include <string>

#include "common/failure.h"

namespace wiper {

PixelMask::PixelMask(std::int32_t width, std::int32_t height)
    : width_(width), height_(height), per_row_((static_cast<std::size_t>(width) + 63) / 64) {
    const std::size_t words = per_row_ * static_cast<std::size_t>(height);
    try {
        words_.assign(words, 0);
    } catch (const std::bad_alloc&) {
        throw Failure(FailureKind::out_of_memory, "a field mask of " + std::to_string(width) + " x " +
                                                      std::to_string(height) + " pixels needs " +
                                                      std::to_string(words * sizeof(std::uint64_t)) + " bytes");
    }
}

void PixelMask::clear_span(std::int32_t y, std::int32_t x_begin, std::int32_t x_end) {
    for_span_words(y, x_begin, x_end, [](std::uint64_t& word, std::uint64_t bits) { word &= ~bits; });
}

namespace {

// The set bits of a word, counted in registers: without a target that has a
// popcount instruction, std::popcount is a library call a word, and the
// field's counts walk millions of words.
inline std::uint64_t ones(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return (x * 0x0101010101010101u) >> 56;
}

} // namespace

void PixelMask::clear() { std::fill(words_.begin(), words_.end(), 0); }

std::uint64_t PixelMask::count() const {
    std::uint64_t n = 0;
    for (const std::uint64_t w : words_) n += ones(w);
    return n;
}

std::uint64_t PixelMask::count_common(const PixelMask& other) const {
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < words_.size(); ++i)
        n += ones(words_[i] & other.words_[i]);
    return n;
}

void PixelMask::add_counting_twice(const PixelMask& other, PixelMask& twice) {
    for (std::size_t i = 0; i < words_.size(); ++i) {
        twice.words_[i] |= words_[i] & other.words_[i];
        words_[i] |= other.words_[i];
    }
}

void PixelMask::add(const PixelMask& other) {
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] |= other.words_[i];
}

void PixelMask::keep_common(const PixelMask& other) {
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] &= other.words_[i];
}

void PixelMask::remove(const PixelMask& other) {
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] &= ~other.words_[i];
}

} // namespace wiper
