#include "batch/part_listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/failure.h"

namespace wiper {

namespace fs = std::filesystem;

namespace {

unsigned char upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c; }

bool begins_with_coordinate(const std::string& name) {
    static constexpr char prefix[] = "COORDINATE";
    constexpr std::size_t n = sizeof prefix - 1;
    if (name.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (upper(static_cast<unsigned char>(name[i])) != static_cast<unsigned char>(prefix[i])) return false;
    return true;
}

} // namespace

bool part_name_before(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = upper(static_cast<unsigned char>(a[i]));
        const unsigned char y = upper(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    // Names equal but for case: the bytes decide, so the order is total.
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

std::vector<std::string> list_part_files(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        const FailureKind kind = ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory
                                     ? FailureKind::path_not_found
                                     : FailureKind::file_access;
        throw Failure(kind, folder + ": cannot list the folder: " + ec.message());
    }
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.' || !begins_with_coordinate(name)) continue;
        std::error_code kind_ec;
        if (!entry.is_regular_file(kind_ec)) continue; // follows links; folders and devices are not parts
        names.push_back(name);
    }
    if (ec) throw Failure(FailureKind::file_access, folder + ": cannot list the folder: " + ec.message());
    std::sort(names.begin(), names.end(), part_name_before);
    return names;
}

} // namespace wiper
