#pragma once
#include <string>
#include <vector>

namespace wiper {

// The part files of `folder`: regular files (or links to them) whose names begin
// with "coordinate" in any case, hidden files left out. They
// come in the order a Windows (NTFS) folder lists them: ASCII letters compared
// as upper case, ties broken by the bytes. The first part is special, so the
// order must not depend on the file system.
std::vector<std::string> list_part_files(const std::string& folder);

// The ordering used by list_part_files.
bool part_name_before(const std::string& a, const std::string& b);

} // namespace wiper
