// A plugin library opened the way a host opens one: dlopen, or LoadLibraryW by
// its wide name so that a folder with any letters works. The one place of the
// tools, tests and benchmarks that knows which system loads the library.
#pragma once

#include <string>

namespace fennrow {

// The library at a UTF-8 path, or null with the system's reason in `reason`.
void* openLibrary(const std::string& path, std::string& reason);
// The exported symbol called `name`, or null.
void* librarySymbol(void* handle, const char* name);
void closeLibrary(void* handle);

} // namespace fennrow
