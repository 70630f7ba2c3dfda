// A plugin library opened the way a host opens one: dlopen, or LoadLibraryW
// by its wide name so that a folder with any letters works.
#pragma once

#include <string>

namespace fennrow::test {

// The library's handle, or null with the reason in `error`.
void* openLibrary(const std::string& path, std::string& error);
// The exported symbol called `name`, or null.
void* librarySymbol(void* handle, const char* name);
void closeLibrary(void* handle);

} // namespace fennrow::test
