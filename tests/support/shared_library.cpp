#include "support/shared_library.h"

#include "support/test_platform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace fennrow::test {

#if defined(_WIN32)
void* openLibrary(const std::string& path, std::string& error) {
    HMODULE module = ::LoadLibraryW(pathFromUtf8(path).wstring().c_str());
    if (module == nullptr) error = "LoadLibraryW failed with error " + std::to_string(::GetLastError());
    return reinterpret_cast<void*>(module);
}
void* librarySymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { ::FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) error = dlerror();
    return handle;
}
void* librarySymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

} // namespace fennrow::test
