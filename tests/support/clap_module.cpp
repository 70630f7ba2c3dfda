#include "support/clap_module.h"

#include "support/shared_library.h"

namespace fennrow::test {

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
