#include "batch/part_listing.h"

#include <algorithm>

#include "common/ascii.h"
#include "platform/files.h"

namespace wiper {

namespace {

bool named_like_a_copy(const std::string& name) {
    const auto ends_with = [&](const char* tail) { return ends_with_ignoring_case(name, tail); };
    return ends_with("~") || ends_with(".bak") || ends_with(".orig") || ends_with(".swp") || ends_with(".tmp");
}

const char* const looks_like_a_copy = " looks like a backup or editor copy";

} // namespace

std::string backup_copy_warning(const std::string& name) {
    // Every name beginning with "coordinate" is a part, so an editor's backup
    // of a part file is drawn too, usually a second time over the part it copies.
    if (!named_like_a_copy(name)) return {};
    return name + looks_like_a_copy + ", yet it is drawn as a part (every file whose name "
                  "begins with coordinate is one); move it out of the folder if it is not meant to be drawn";
}

std::vector<std::string> list_files_named_but_copies(const std::string& folder, const std::string& prefix,
                                                     const std::function<void(const std::string&)>& warn) {
    std::vector<std::string> kept;
    for (std::string& name : list_files_named(folder, prefix)) {
        if (!named_like_a_copy(name)) {
            kept.push_back(std::move(name));
            continue;
        }
        if (warn) warn(name + looks_like_a_copy + ", so it is skipped: it is not read as a " + prefix + " file");
    }
    return kept;
}

bool part_name_before(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        // Folded to upper case, as NTFS folds names: "_" sorts after the letters.
        const auto x = static_cast<unsigned char>(ascii_upper(a[i]));
        const auto y = static_cast<unsigned char>(ascii_upper(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    // Names equal but for case: the bytes decide, so the order is total.
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

std::vector<std::string> list_files_named(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (files::FolderEntry& entry : files::list_folder(folder)) {
        // Folders, devices and pipes are not input files; neither are hidden
        // files, which a desktop listing of ordinary files leaves out.
        if (entry.hidden || !entry.regular || !starts_with_ignoring_case(entry.name, prefix)) continue;
        names.push_back(std::move(entry.name));
    }
    std::sort(names.begin(), names.end(), part_name_before);
    return names;
}

} // namespace wiper
