#include "app/field_report.h"

#include <algorithm>

#include "app/progress_line.h"
#include "common/failure.h"
#include "field/field_text.h"

namespace wiper {

namespace {

std::string which_wipe(const WipedField& field) {
    const std::size_t n = field.parts.size();
    if (field.carried_wipe) return n == 1 ? "the carried part wipes" : "the " + std::to_string(n) + " carried parts wipe";
    return n == 1 ? "no part is carried, so the one swept part wipes"
                  : "no part is carried, so all " + std::to_string(n) + " swept parts wipe";
}

} // namespace

std::vector<std::string> field_report(const WipedField& field, const std::string& shown_picture) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& part : field.parts)
        rows.emplace_back(printable(part.name),
                          std::to_string(part.pixels) + " px" +
                              (part.off_glass ? ", " + std::to_string(*part.off_glass) + " px off the glass" : ""));
    rows.emplace_back("together", std::to_string(field.together) + " px, " +
                                      percent_text(field.together, field.picture_pixels) + " of the picture, " +
                                      std::to_string(field.by_two_or_more) + " px by two or more");
    if (field.glass)
        rows.emplace_back(printable(field.glass->name), std::to_string(field.glass->pixels) + " px, " +
                                                            std::to_string(field.glass->counted) + " px counted (" +
                                                            std::to_string(field.glass->border) +
                                                            " px in from its edge)");
    if (field.zones.empty()) rows.emplace_back("zones", "none: no zone file in the folder");
    for (const auto& zone : field.zones)
        rows.emplace_back(printable(zone.name), percent_text(zone.wiped, zone.pixels) + " of " +
                                                    std::to_string(zone.pixels) + " px wiped, " +
                                                    std::to_string(zone.required) + "% required: " +
                                                    (zone.met() ? "ok" : "short"));
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, text_columns(row.first));
    // The approaches take the name column as the other rows set it, so that
    // those keep their format.
    for (const auto& approach : field.clearance) rows.emplace_back("closest approach", approach_text(approach));
    std::vector<std::string> lines{"wiped field: " + printable(shown_picture) + " (" + which_wipe(field) + ")"};
    for (const auto& row : rows)
        lines.push_back("  " + row.first +
                        std::string(std::max(width + 3, text_columns(row.first) + 2) - text_columns(row.first), ' ') +
                        row.second);
    return lines;
}

std::vector<std::string> short_zones(const WipedField& field) {
    std::vector<std::string> lines;
    for (const auto& zone : field.zones)
        if (!zone.met())
            lines.push_back(printable(zone.name) + ": " + percent_text(zone.wiped, zone.pixels) + " wiped, " +
                            std::to_string(zone.required) + "% required");
    return lines;
}

} // namespace wiper
