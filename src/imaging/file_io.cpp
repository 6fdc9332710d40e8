#include "imaging/file_io.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <random>
#include <stdexcept>

#include "common/failure.h"

namespace wiper {

namespace {

// Refused on both routes, even where the system would let us write (as root):
// on the desktop a read-only file refuses writes to everyone. The file this
// run left read-only itself is its own, not one a user protected.
void refuse_read_only(const files::Identity& now, const files::Identity& left, const std::string& path,
                      const FileDescription& what) {
    if (!now.regular || !now.read_only) return;
    if (left.exists && left.read_only && left.device == now.device && left.index == now.index) return;
    throw Failure(FailureKind::file_access, path + ": " + std::string(what.file) + " is read-only; cannot replace it");
}

// Only makes a clash with another run unlikely: a clash costs one more try,
// never a shared file, so a clock serves where the system has no random source.
std::uint64_t fresh_random() {
    try {
        std::random_device device;
        return (std::uint64_t{device()} << 32) ^ device();
    } catch (const std::exception&) {
        return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

} // namespace

void InputFile::take(std::uint64_t offset, std::span<std::uint8_t> into) {
    const std::size_t got = borrowed_ ? borrowed_->read_at(offset, into) : own_->read_at(offset, into);
    if (got != into.size())
        throw Failure(FailureKind::invalid_picture, path_ + ": the file became shorter while it was read");
}

std::string temporary_name(std::uint64_t random) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string name = ".wiper-render-";
    for (int shift = 60; shift >= 0; shift -= 4) name += digits[(random >> shift) & 0xF];
    return name + ".tmp";
}

files::Identity replace_file(const std::string& path, std::span<const std::uint8_t> head,
                             std::span<const std::uint8_t> body, const FileDescription& what,
                             const files::Identity& left, const std::function<std::uint64_t()>& draw,
                             const std::function<void()>& between_pieces) {
    // In pieces: the page cache keeps a file in pieces the size of the
    // writes that made it, and a later part that rewrites a few bytes of
    // a row in place pays for the whole piece it lands in.
    constexpr std::size_t piece = std::size_t{256} << 10;
    std::size_t at = 0;
    const BodyPieces pieces{body.size(), [&] {
                                const std::span<const std::uint8_t> next = body.subspan(at, std::min(piece, body.size() - at));
                                at += next.size();
                                return next;
                            }};
    return replace_file(path, head, pieces, what, left, draw, between_pieces);
}

files::Identity replace_file(const std::string& path, std::span<const std::uint8_t> head, const BodyPieces& body,
                             const FileDescription& what, const files::Identity& left,
                             const std::function<std::uint64_t()>& draw,
                             const std::function<void()>& between_pieces) {
    const files::Identity old = files::identity_of(path);
    if (old.folder)
        throw Failure(FailureKind::file_access,
                      path + ": cannot write " + std::string(what.content) + ", a folder is in its place");
    refuse_read_only(old, left, path, what);

    // A taken name (another run's file, or anything planted there) is never
    // opened: another name is tried.
    constexpr int attempts = 100;
    std::string temporary;
    std::optional<files::WriteFile> file;
    for (int attempt = 0; !file; ++attempt) {
        if (attempt == attempts)
            throw Failure(FailureKind::file_access,
                          path + ": cannot create its temporary file: " + std::to_string(attempts) +
                              " names tried beside it were all taken");
        temporary = files::sibling(path, temporary_name(draw ? draw() : fresh_random()));
        file = files::WriteFile::create_new(temporary, path);
    }
    try {
        file->write_all(head);
        for (std::uint64_t written = 0; written < body.size;) {
            if (between_pieces) between_pieces();
            const std::span<const std::uint8_t> next = body.next();
            // A maker that gives nothing, or more than it announced, would
            // leave a file of another size than its header says.
            if (next.empty() || next.size() > body.size - written)
                throw std::logic_error(path + ": a body's pieces do not add up to its size");
            file->write_all(next);
            written += next.size();
        }
        if (between_pieces) between_pieces();
        file->take_permissions(old);
        files::replace(temporary, path, path);
    } catch (...) {
        file.reset(); // closed before it is removed, which Windows requires
        files::remove_quietly(temporary);
        throw;
    }
    // In place now: the temporary name is gone, or someone else's.
    const files::Identity now = file->identity();
    file->close();
    return now;
}

bool rewritable_in_place(const files::Identity& id) { return id.exists && id.regular && id.links == 1; }

std::optional<files::Identity> overwrite_in_place(const std::string& path, files::WriteFile& file,
                                                  const files::Identity& expected, const files::Identity& left,
                                                  std::uint64_t body_offset, std::span<const std::uint8_t> body,
                                                  std::span<const ByteRun> runs, const FileDescription& what) {
    // What is open is checked, not the name: a link or another file put in
    // its place since it was opened is never written.
    const files::Identity now = file.identity();
    if (!rewritable_in_place(now) || now != expected) return std::nullopt;
    refuse_read_only(now, left, path, what);
    for (const ByteRun& run : runs) file.write_at(body_offset + run.offset, body.subspan(run.offset, run.length));
    const files::Identity after = file.identity();
    file.close();
    return after;
}

} // namespace wiper
