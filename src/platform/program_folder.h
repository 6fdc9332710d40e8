#pragma once
#include <string>

namespace wiper {

// The folder that holds the running program, in UTF-8: the program folder when
// none is given. Throws a file access failure, with the reason, when the system
// cannot say; guessing (the working folder, say) could render somewhere else.
std::string program_folder();

} // namespace wiper
