#pragma once
#include <string>

namespace wiper {

// A library loaded while the program runs rather than when it starts, so that
// a program that never needs it neither waits for it nor lacks it: the
// window toolkit, which only a run with a window uses.
class SharedLibrary {
public:
    // Loads the library of that file name, found where the system looks for
    // libraries. Once loaded it stays for the rest of the process: what it
    // brings in may leave work for the process's exit.
    explicit SharedLibrary(const std::string& name);
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    // Why it could not be loaded, or a symbol not found, as the system says it.
    const std::string& error() const { return error_; }
    // The address of a function of the library, or null (see error()).
    void* symbol(const char* name);

private:
    void* handle_ = nullptr;
    std::string error_;
};

} // namespace wiper
