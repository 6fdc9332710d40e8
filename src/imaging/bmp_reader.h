#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "imaging/frame_surface.h"

namespace wiper {

// Random access to the bytes of a picture. read_at either fills all of `into`
// or throws: invalid picture when the range lies past the end, checked here
// before anything is taken from the source; file access failure (or invalid
// picture, for a file that shrank) when the medium fails.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    void read_at(std::uint64_t offset, std::span<std::uint8_t> into);
    // Names the source in failure messages (a path, or a label in tests).
    virtual const std::string& name() const = 0;

private:
    // Fills `into` from `offset`; read_at has checked that the range lies within size().
    virtual void take(std::uint64_t offset, std::span<std::uint8_t> into) = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(std::span<const std::uint8_t> bytes, std::string name);
    std::uint64_t size() const override { return bytes_.size(); }
    const std::string& name() const override { return name_; }

private:
    void take(std::uint64_t offset, std::span<std::uint8_t> into) override;

    std::span<const std::uint8_t> bytes_;
    std::string name_;
};

// Reads the BMP in `source` and places it on the surface: the surface is first
// erased to its background colour, then the picture is put unscaled with its
// top-left corner at (0, 0), clipped to the surface. Throws invalid picture,
// naming the source, for anything that is not a readable uncompressed BMP.
// Memory use and work stay bounded by the surface whatever the header claims:
// only the pixels the surface shows are read. `between_rows`, when given, is
// called between rows; a stop request ends a long decode by throwing from it.
void decode_bmp_onto(ByteSource& source, FrameSurface& surface, const std::function<void()>& between_rows = {});

} // namespace wiper
