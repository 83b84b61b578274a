#pragma once

#include <string>

namespace pelan {

// A shared library loaded at run time and kept for the rest of the process (its functions may be called until the
// end). Null when the file is missing or cannot be loaded; `error` then says why.
void* loadSharedLibrary(const std::string& path, std::string& error);

// The address of an export, null when the library has none of that name.
void* sharedLibrarySymbol(void* library, const char* name);

} // namespace pelan
