#include "platform/shared_library.h"

#include <dlfcn.h>

namespace wiper {

SharedLibrary::SharedLibrary(const std::string& name) {
    // RTLD_NOW: a library that lacks what it needs fails here, not at a call.
    handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = ::dlerror();
        error_ = why != nullptr ? why : name + ": cannot be loaded";
    }
}

void* SharedLibrary::symbol(const char* name) {
    if (handle_ == nullptr) return nullptr;
    ::dlerror();
    void* address = ::dlsym(handle_, name);
    if (address == nullptr) {
        const char* why = ::dlerror();
        error_ = why != nullptr ? why : std::string(name) + ": not found";
    }
    return address;
}

} // namespace wiper
