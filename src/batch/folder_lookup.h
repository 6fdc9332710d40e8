#pragma once
#include <string>

namespace wiper {

// Where the settings file `name` of `folder` is. Folders made where names
// ignore case often hold "Immagini.txt": when no entry has the exact name and
// exactly one regular file matches it ignoring ASCII case, that file is used.
// Several such files are a file-not-found failure naming them all; none leaves
// the exact path, whose opening then reports what is missing.
std::string settings_file_path(const std::string& folder, const std::string& name);

// Fails (path not found) when `path` exists but is not a folder, saying so:
// otherwise a file given as the program folder, or a file named buffer, would
// only be reported as a missing folder. `shown` is how the message names it,
// `hint` what the user should do.
void expect_folder(const std::string& path, const std::string& shown, const std::string& hint);

// Fails (path not found) when `buffer` leads back to `folder` itself, a link
// to "." say: the frames would land beside the part files, and the next run
// would read them as parts. A buffer that leads anywhere else is fine.
void expect_buffer_apart(const std::string& folder, const std::string& buffer);

} // namespace wiper
