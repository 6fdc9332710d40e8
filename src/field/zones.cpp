#include "field/zones.h"

#include "batch/part_file.h"
#include "batch/part_listing.h"
#include "common/failure.h"
#include "platform/files.h"

namespace wiper {

namespace {

// Whether the rasterizer sends anything at all: a pixel of the zone lies inside.
class AnySpan final : public SpanSink {
public:
    void span(Ink, std::int32_t, std::int32_t, std::int32_t) override { seen = true; }
    bool seen = false;
};

Zone read_zone(const std::string& folder, const std::string& name, ClipArea picture, RasterScratch& scratch,
               const std::function<void(const std::string&)>& warn, const std::function<void()>& between) {
    const std::string path = files::join(folder, name);
    FieldReader reader(read_text_file(path, between), path, between);
    Zone zone;
    zone.name = name;
    zone.required = read_leading_number(reader, path, "the required share", "a whole percent from 0 to 100", 100);
    zone.outline = read_outline(reader, path, "a zone");

    const std::string size = std::to_string(picture.width) + " x " + std::to_string(picture.height);
    AnySpan inside;
    rasterize_polygon(zone.outline, picture, scratch, inside);
    if (!inside.seen)
        throw Failure(FailureKind::index_out_of_range,
                      path + ": the zone has no pixel inside the " + size + " picture");
    // The outline passes through every point, so a point outside is a pixel outside.
    for (const screen_point& p : zone.outline)
        if (p.x < 0 || p.y < 0 || p.x >= picture.width || p.y >= picture.height) {
            warn(name + " reaches outside the " + size + " picture, at (" + std::to_string(p.x) + ", " +
                 std::to_string(p.y) + "): only its pixels inside the picture count");
            break;
        }
    return zone;
}

} // namespace

std::int32_t read_leading_number(FieldReader& reader, const std::string& path, const std::string& subject,
                                 const std::string& rule, std::int32_t most) {
    const std::size_t line = reader.line();
    const std::int32_t value = reader.read_number(subject + " is " + rule);
    if (value < 0 || value > most)
        throw Failure(FailureKind::invalid_number, path + " line " + std::to_string(line) + ": " + subject + " " +
                                                       std::to_string(value) + " is not " + rule);
    return value;
}

std::vector<screen_point> read_outline(FieldReader& reader, const std::string& path, const char* what) {
    std::vector<screen_point> slots(most_zone_points);
    const PointPairs pairs =
        read_point_pairs(reader, slots, path, "more than " + std::to_string(most_zone_points) + " points");
    if (pairs.lone_x)
        throw Failure(FailureKind::read_past_end,
                      path + " line " + std::to_string(reader.line()) + ": the last point has an x but no y");
    if (pairs.count < 3)
        throw Failure(FailureKind::read_past_end, path + " line " + std::to_string(reader.line()) + ": " + what +
                                                      " needs at least 3 points, it has " +
                                                      std::to_string(pairs.count));
    slots.resize(static_cast<std::size_t>(pairs.count));
    return slots;
}

std::vector<Zone> read_zones(const std::string& folder, ClipArea picture,
                             const std::function<void(const std::string&)>& warn,
                             const std::function<void()>& between) {
    std::vector<Zone> zones;
    RasterScratch scratch;
    for (const std::string& name : list_files_named_but_copies(folder, zone_file_prefix, warn))
        zones.push_back(read_zone(folder, name, picture, scratch, warn, between));
    return zones;
}

} // namespace wiper
