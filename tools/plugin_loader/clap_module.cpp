#include "plugin_loader/clap_module.h"

#include "plugin_loader/shared_library.h"

#include <filesystem>
#include <system_error>

namespace fennrow {

ClapModule::~ClapModule() {
    if (initialised && entry && entry->deinit) entry->deinit();
    if (handle) closeLibrary(handle);
}

std::shared_ptr<ClapModule> openClapModule(const std::string& path, std::string& error) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                                          ignored)) {
        error = "no plugin file at " + path;
        return nullptr;
    }
    auto module = std::make_shared<ClapModule>();
    module->path = path;
    std::string reason;
    module->handle = openLibrary(path, reason);
    if (!module->handle) {
        error = "cannot load " + path + ": " + reason;
        return nullptr;
    }
    module->entry = static_cast<const clap_plugin_entry_t*>(librarySymbol(module->handle, "clap_entry"));
    if (!module->entry) {
        error = path + " is not a CLAP plugin (it has no clap_entry)";
        return nullptr;
    }
    if (!clap_version_is_compatible(module->entry->clap_version)) {
        error = path + " was built for CLAP " + std::to_string(module->entry->clap_version.major) + "." +
                std::to_string(module->entry->clap_version.minor) + ", which this host cannot load";
        return nullptr;
    }
    if (!module->entry->init || !module->entry->get_factory || !module->entry->init(path.c_str())) {
        error = "the plugin library " + path + " failed to start";
        return nullptr;
    }
    module->initialised = true;
    return module;
}

const clap_plugin_factory_t* pluginFactory(const ClapModule& module) {
    return static_cast<const clap_plugin_factory_t*>(module.entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
}

const clap_preset_discovery_factory_t* presetDiscoveryFactory(const ClapModule& module) {
    const void* factory = module.entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID);
    if (!factory) factory = module.entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT);
    return static_cast<const clap_preset_discovery_factory_t*>(factory);
}

} // namespace fennrow
