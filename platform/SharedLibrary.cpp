#include "platform/SharedLibrary.h"

#include <dlfcn.h>

namespace pelan {

void* loadSharedLibrary(const std::string& path, std::string& error) {
    // RTLD_LOCAL keeps the library's own names from meeting the program's.
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : "cannot load " + path;
    }
    return library;
}

void* sharedLibrarySymbol(void* library, const char* name) {
    return library != nullptr ? ::dlsym(library, name) : nullptr;
}

} // namespace pelan
