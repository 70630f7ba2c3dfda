#include "support/clap_module.h"

#include "support/test_platform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace fennrow::test {

namespace {

#if defined(_WIN32)
// A host loads a plugin by its wide name, so a folder with any letters works.
void* openLibrary(const std::string& path, std::string& error) {
    HMODULE module = ::LoadLibraryW(pathFromUtf8(path).wstring().c_str());
    if (module == nullptr) error = "LoadLibraryW failed with error " + std::to_string(::GetLastError());
    return reinterpret_cast<void*>(module);
}
const void* librarySymbol(void* handle, const char* name) {
    return reinterpret_cast<const void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { ::FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) error = dlerror();
    return handle;
}
const void* librarySymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

} // namespace

ClapModule::ClapModule(const std::string& path) {
    handle_ = openLibrary(path, error_);
    if (handle_ == nullptr) {
        return;
    }
    entry_ = static_cast<const clap_plugin_entry_t*>(librarySymbol(handle_, "clap_entry"));
    if (entry_ == nullptr) {
        error_ = "no clap_entry symbol";
        return;
    }
    initialised_ = entry_->init(path.c_str());
    if (!initialised_) {
        error_ = "clap_entry.init failed";
        entry_ = nullptr;
    }
}

ClapModule::~ClapModule() {
    if (initialised_) entry_->deinit();
    if (handle_ != nullptr) closeLibrary(handle_);
}

const clap_plugin_factory_t* ClapModule::pluginFactory() const {
    return static_cast<const clap_plugin_factory_t*>(factory(CLAP_PLUGIN_FACTORY_ID));
}

const void* ClapModule::factory(const char* id) const {
    return entry_ != nullptr ? entry_->get_factory(id) : nullptr;
}

} // namespace fennrow::test
