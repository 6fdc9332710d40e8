#include "field/zones.h"

#include "batch/field_reader.h"
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
    const std::size_t share_line = reader.line();
    const std::int32_t share = reader.read_number();
    if (share < 0 || share > 100)
        throw Failure(FailureKind::invalid_number, path + " line " + std::to_string(share_line) +
                                                       ": the required share " + std::to_string(share) +
                                                       " is not a whole percent from 0 to 100");
    zone.required = share;

    std::vector<screen_point> slots(most_zone_points);
    const PointPairs pairs =
        read_point_pairs(reader, slots, path, "more than " + std::to_string(most_zone_points) + " points");
    if (pairs.lone_x)
        throw Failure(FailureKind::read_past_end,
                      path + " line " + std::to_string(reader.line()) + ": the last point has an x but no y");
    if (pairs.count < 3)
        throw Failure(FailureKind::read_past_end,
                      path + " line " + std::to_string(reader.line()) + ": a zone needs at least 3 points, it has " +
                          std::to_string(pairs.count));
    slots.resize(static_cast<std::size_t>(pairs.count));
    zone.outline = std::move(slots);

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

std::vector<Zone> read_zones(const std::string& folder, ClipArea picture,
                             const std::function<void(const std::string&)>& warn,
                             const std::function<void()>& between) {
    std::vector<Zone> zones;
    RasterScratch scratch;
    for (const std::string& name : list_files_named(folder, zone_file_prefix))
        zones.push_back(read_zone(folder, name, picture, scratch, warn, between));
    return zones;
}

} // namespace wiper
