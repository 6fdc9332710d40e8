#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/screen_point.h"
#include "imaging/surface_steps.h"

namespace wiper {

// The memory that the records of every frame take together, held within a
// limit (--rebuild-memory): each frame's entry and each record's capacity.
class RecordMemory {
public:
    explicit RecordMemory(std::uint64_t limit) : limit_(limit) {}
    // Whether `bytes` more stay within the limit.
    bool fits(std::uint64_t bytes) const { return bytes <= limit_ - used_; }
    void take(std::uint64_t bytes) { used_ += bytes; }
    void give_back(std::uint64_t bytes) { used_ -= bytes; }

private:
    std::uint64_t limit_;
    std::uint64_t used_ = 0;
};

// Out of memory for the record: "the record of polygons " + `asked`, and that
// a smaller --rebuild-memory asks for less.
Failure record_out_of_memory(const std::string& asked);

// Draw operations in the order they were drawn, packed: neighbouring points of
// an outline lie close together, so a point mostly takes 2 bytes rather than 8.
class DrawRecord {
public:
    bool empty() const { return bytes_.empty(); }
    std::size_t size() const { return bytes_.size(); }

    // Adds `op` at the end; one that draws nothing (fewer than 2 points) is
    // left out. Its memory is no one's: for a record kept for a moment.
    void add(const DrawOperation& op);
    // Adds `more` at the end, its memory taken from `memory`; false, with
    // nothing added, when that would go past the limit.
    bool append(const DrawRecord& more, RecordMemory& memory);
    // Empties the record and gives its memory back to `memory`.
    void release(RecordMemory& memory);
    // Empties the record, keeping its capacity for reuse.
    void clear() { bytes_.clear(); }

    // The operation packed at byte `at`, which then moves past it; `points`
    // holds its polygon. Read from `at` 0 while `at` is below size().
    DrawOperation unpack(std::size_t& at, std::vector<screen_point>& points) const;

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace wiper
