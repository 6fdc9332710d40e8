#pragma once
#include <functional>
#include <string>
#include <vector>

namespace wiper {

// The input files of `folder` whose names begin with `prefix` ("coordinate"
// for the parts), ASCII letters in any case: regular files or links to them,
// hidden files left out. They come in the order a Windows (NTFS) folder lists
// them: ASCII letters compared as upper case, ties broken by the bytes. The
// first part is special, so the order must not depend on the file system.
std::vector<std::string> list_files_named(const std::string& folder, const std::string& prefix);

inline constexpr const char* part_file_prefix = "coordinate";

// The ordering used by list_files_named.
bool part_name_before(const std::string& a, const std::string& b);

// The warning for a part file named like a backup or editor copy (ending in
// "~", ".bak", ".orig", ".swp" or ".tmp"), or empty for any other name.
std::string backup_copy_warning(const std::string& name);

// As list_files_named, less the files named like a backup or editor copy:
// each of those is left out with a warning through `warn`. For the files read
// beside the parts (`prefix` "zone", "glass"), where a copy would count twice
// or stand beside the file it copies.
std::vector<std::string> list_files_named_but_copies(const std::string& folder, const std::string& prefix,
                                                     const std::function<void(const std::string&)>& warn);

} // namespace wiper
