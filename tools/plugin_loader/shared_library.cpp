#include "plugin_loader/shared_library.h"

#if defined(_WIN32)
#include "platform/windows_text.h"

#include <windows.h>

#include <optional>
#else
#include <dlfcn.h>
#endif

namespace fennrow {

#if defined(_WIN32)
void* openLibrary(const std::string& path, std::string& reason) {
    // The plugin's own UTF-8 to wide conversion, so that a name reads the
    // same to the loader as to the plugin's file services.
    const std::optional<std::wstring> name = platform::utf8ToWide(path);
    if (!name) {
        reason = "the path is not UTF-8";
        return nullptr;
    }
    HMODULE module = ::LoadLibraryW(name->c_str());
    if (module == nullptr) reason = "Windows error " + std::to_string(::GetLastError());
    return reinterpret_cast<void*>(module);
}
void* librarySymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { ::FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& reason) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        reason = text != nullptr ? text : "unknown reason";
    }
    return handle;
}
void* librarySymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

} // namespace fennrow
