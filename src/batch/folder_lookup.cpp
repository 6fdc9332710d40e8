#include "batch/folder_lookup.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/failure.h"

namespace wiper {

namespace fs = std::filesystem;

namespace {

bool same_ignoring_ascii_case(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

} // namespace

std::string settings_file_path(const std::string& folder, const std::string& name) {
    const std::string exact = folder + "/" + name;
    std::error_code ec;
    // Anything under the exact name, or a folder that cannot be looked into,
    // is left to the opening of the exact path to report.
    if (fs::symlink_status(exact, ec).type() != fs::file_type::not_found) return exact;

    std::vector<std::string> matches;
    fs::directory_iterator it(folder, ec);
    if (ec) return exact; // opening the exact path reports the missing or unreadable folder
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        std::error_code kind_ec;
        if (same_ignoring_ascii_case(entry, name) && it->is_regular_file(kind_ec)) matches.push_back(entry);
    }
    if (ec || matches.empty()) return exact;
    if (matches.size() == 1) return folder + "/" + matches.front();
    std::sort(matches.begin(), matches.end());
    std::string listed;
    for (const std::string& m : matches) listed += (listed.empty() ? "" : ", ") + m;
    throw Failure(FailureKind::file_not_found, exact + ": no file has this exact name, and several differ from it only in case (" +
                                                   listed + "); keep one and name it " + name);
}

void expect_folder(const std::string& path, const std::string& shown, const std::string& hint) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (!ec && fs::exists(st) && !fs::is_directory(st))
        throw Failure(FailureKind::path_not_found, shown + " is a file, not a folder; " + hint);
}

} // namespace wiper
