#include "batch/folder_inputs.h"

#include "batch/folder_lookup.h"
#include "batch/frame_names.h"
#include "batch/part_listing.h"
#include "common/failure.h"
#include "imaging/frame_surface.h"
#include "platform/files.h"

namespace wiper {

FolderInputs read_folder_inputs(const std::string& folder, const std::function<void()>& between) {
    expect_folder(folder, folder, "give the folder that holds immagini.txt and the part files");
    FolderInputs inputs;
    inputs.image = read_image_settings(folder, between);
    inputs.turns = read_blade_turns(folder, between);
    try {
        FrameSurface::check_size(inputs.image.width, inputs.image.height);
    } catch (const Failure& failure) {
        // The size came from the image settings: name the file the user must mend.
        throw Failure(failure.kind(), files::join(folder, image_settings_file) + ": " + failure.what());
    }

    // The run writes only into buffer/, so the folder's part files cannot change
    // under it: one listing serves the whole run.
    inputs.parts = list_files_named(folder, part_file_prefix);
    if (inputs.parts.empty())
        throw Failure(FailureKind::file_access,
                      "no part file: " + folder + " holds no file whose name begins with coordinate");
    const std::string buffer = FrameNames::buffer(folder);
    expect_folder(buffer, buffer, "the frames are written into a folder named " + FrameNames::buffer_shown());
    expect_buffer_apart(folder, buffer);
    return inputs;
}

} // namespace wiper
