#include "support/clap_module.h"

#include <dlfcn.h>

namespace fennrow::test {

ClapModule::ClapModule(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = dlerror();
        return;
    }
    entry_ = static_cast<const clap_plugin_entry_t*>(dlsym(handle_, "clap_entry"));
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
    if (handle_ != nullptr) dlclose(handle_);
}

const clap_plugin_factory_t* ClapModule::pluginFactory() const {
    return static_cast<const clap_plugin_factory_t*>(factory(CLAP_PLUGIN_FACTORY_ID));
}

const void* ClapModule::factory(const char* id) const {
    return entry_ != nullptr ? entry_->get_factory(id) : nullptr;
}

} // namespace fennrow::test
