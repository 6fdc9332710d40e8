#include "app/json_report.h"

#include <charconv>
#include <stdexcept>
#include <nlohmann/json.hpp>

#include "common/failure.h"
#include "field/field_text.h"
#include "geometry/wipers.h"

namespace wiper {

namespace {

using Json = nlohmann::ordered_json; // keys in the order they are set

Json optional_count(const std::optional<std::uint64_t>& n) { return n ? Json(*n) : Json(nullptr); }

Json field_json(const WipedField& field, const std::string& picture, const std::string& vector) {
    Json parts = Json::array();
    for (const auto& part : field.parts)
        parts.push_back({{"file", printable(part.name)}, {"pixels", part.pixels},
                         {"off_glass", optional_count(part.off_glass)}});
    Json glass = nullptr;
    if (field.glass)
        glass = {{"file", printable(field.glass->name)}, {"border", field.glass->border},
                 {"pixels", field.glass->pixels}, {"counted", field.glass->counted}};
    Json zones = Json::array();
    for (const auto& zone : field.zones)
        zones.push_back({{"file", printable(zone.name)}, {"required", zone.required}, {"pixels", zone.pixels},
                         {"wiped", zone.wiped}, {"met", zone.met()}});
    Json clearance = Json::array();
    for (const auto& approach : field.clearance) {
        Json touch = nullptr;
        if (approach.touch) touch = Json::array({approach.touch->first, approach.touch->second});
        clearance.push_back({{"parts", Json::array({printable(approach.first), printable(approach.second)})},
                             {"distance", to_tenths(approach.distance)},
                             {"frame", to_tenths(approach.t)},
                             {"touch", touch}});
    }
    Json j;
    j["picture"] = printable(picture);
    j["vector"] = printable(vector);
    j["wiping"] = field.carried_wipe ? "carried" : "all";
    j["parts"] = parts;
    j["together"] = field.together;
    j["by_two_or_more"] = field.by_two_or_more;
    j["glass"] = glass;
    j["zones"] = zones;
    j["clearance"] = clearance;
    return j;
}

} // namespace

double to_tenths(double x) {
    // The report's own one-decimal text, read back, so the two always agree.
    const std::string text = one_decimal_text(x);
    double tenths = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), tenths).ec != std::errc{})
        throw std::logic_error("the report's number " + text + " does not read back");
    return tenths;
}

std::string json_report(const RunRecord& record) {
    Json j;
    j["format"] = 1;
    j["status"] = record.status;
    if (record.failure)
        j["failure"] = {{"kind", record.failure->kind},
                        {"status", record.failure->status},
                        {"message", record.failure->message}};
    else
        j["failure"] = nullptr;
    j["warnings"] = Json::array();
    for (const std::string& warning : record.warnings) j["warnings"].push_back(warning);

    j["parts"] = Json::array();
    const std::vector<int> wipers = wiper_numbers(record.parts);
    for (std::size_t i = 0; i < record.parts.size(); ++i) {
        const Part& part = record.parts[i];
        j["parts"].push_back({{"file", printable(part.name)},
                              {"kind", part.kind == PartKind::carried ? "carried" : "swept"},
                              {"frame_count", part.frame_count},
                              {"sweep_angle", part.sweep_angle},
                              {"centre", Json::array({part.centre_x, part.centre_y})},
                              {"wiper", wipers[i]}});
    }
    if (record.frames_written > 0)
        j["frames"] = {{"count", record.frames_written},
                       {"first", printable(record.first_frame)},
                       {"last", printable(record.last_frame)}};
    else
        j["frames"] = nullptr;
    j["field"] = record.field ? field_json(*record.field, record.field_picture, record.field_vector) : Json(nullptr);
    // Every string went through printable(), so the document is valid UTF-8.
    return j.dump(2) + "\n";
}

} // namespace wiper
