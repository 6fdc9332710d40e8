#pragma once
#include <functional>
#include <string>
#include <vector>

#include "batch/settings_files.h"
#include "geometry/poses.h"

namespace wiper {

// What a program folder gives before any part file is read: the image
// settings, the blade turns and the part files, in the order they are drawn.
struct FolderInputs {
    ImageSettings image;
    BladeTurns turns;
    std::vector<std::string> parts;
};

// Reads them, after checking that `folder` is a folder, and checks in this
// order what a run needs of them: the picture size (against what a frame may
// be), at least one part file, and a buffer/ folder that is not the program
// folder itself. Each failure names the file the user must mend. `between` is
// called as the files are read (see read_text_file).
FolderInputs read_folder_inputs(const std::string& folder, const std::function<void()>& between = {});

} // namespace wiper
