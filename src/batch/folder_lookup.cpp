#include "batch/folder_lookup.h"

#include <algorithm>
#include <vector>

#include "common/ascii.h"
#include "batch/frame_names.h"
#include "common/failure.h"
#include "platform/files.h"

namespace wiper {

std::string settings_file_path(const std::string& folder, const std::string& name) {
    const std::string exact = files::join(folder, name);
    // Anything under the exact name is left to its opening to report.
    if (files::identity_of(exact).exists) return exact;

    std::vector<std::string> matches;
    try {
        for (const files::FolderEntry& entry : files::list_folder(folder))
            if (entry.regular && equal_ignoring_case(entry.name, name)) matches.push_back(entry.name);
    } catch (const Failure&) {
        return exact; // opening the exact path reports the missing or unreadable folder
    }
    if (matches.empty()) return exact;
    if (matches.size() == 1) return files::join(folder, matches.front());
    std::sort(matches.begin(), matches.end());
    std::string listed;
    for (const std::string& m : matches) listed += (listed.empty() ? "" : ", ") + m;
    throw Failure(FailureKind::file_not_found, exact + ": no file has this exact name, and several differ from it only in case (" +
                                                   listed + "); keep one and name it " + name);
}

void expect_folder(const std::string& path, const std::string& shown, const std::string& hint) {
    // A link is left to the opening of what lies behind it.
    if (files::identity_of(path).regular)
        throw Failure(FailureKind::path_not_found, shown + " is a file, not a folder; " + hint);
}

void expect_buffer_apart(const std::string& folder, const std::string& buffer) {
    const files::Identity program = files::identity_behind(folder);
    const files::Identity frames = files::identity_behind(buffer);
    if (program.exists && frames.exists && program.device == frames.device && program.index == frames.index)
        throw Failure(FailureKind::path_not_found,
                      buffer + " leads back to the program folder " + folder +
                          ", so the frames would be written beside the part files; make " + FrameNames::buffer_shown() +
                          " a folder of its own");
}

} // namespace wiper
