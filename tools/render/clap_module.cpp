#include "clap_module.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace fennrow {

ClapModule::~ClapModule() {
    if (initialised && entry && entry->deinit) entry->deinit();
    if (handle) dlclose(handle);
}

std::shared_ptr<ClapModule> openClapModule(const std::string& path, std::string& error) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "no plugin file at " + path;
        return nullptr;
    }
    auto module = std::make_shared<ClapModule>();
    module->path = path;
    module->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module->handle) {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason ? reason : "unknown reason");
        return nullptr;
    }
    module->entry = static_cast<const clap_plugin_entry_t*>(dlsym(module->handle, "clap_entry"));
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

}  // namespace fennrow
