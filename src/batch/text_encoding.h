#pragma once
#include <functional>
#include <string>

namespace wiper {

// The whole of a settings or part file as UTF-8, however a Windows editor saved
// it: UTF-16 (little- or big-endian) after its byte order mark is converted; a
// UTF-8 byte order mark is dropped; valid UTF-8 stays as it is; anything else
// is Windows-1252, the code page these files were first written in. Line ends
// survive unchanged, so line numbers in messages stay right. A UTF-16 file
// with a broken surrogate pair or an odd byte count is a file access failure
// naming `name` and the line. `between` is called along the way, so a stop can
// end the decoding of a large file.
std::string decode_text(const std::string& bytes, const std::string& name, const std::function<void()>& between = {});

} // namespace wiper
