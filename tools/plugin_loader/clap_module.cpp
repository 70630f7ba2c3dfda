#include "plugin_loader/clap_module.h"

#include "plugin_loader/shared_library.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace fennrow {

ClapModule::~ClapModule() {
    if (initialised && entry && entry->deinit) entry->deinit();
    if (handle) closeLibrary(handle);
}

namespace {

// The full path of a file, as a host hands it to the loader and to the
// entry's init: a bare "fennrow.clap" would send dlopen searching the
// library path instead of the current folder. As given if the current
// folder cannot be read.
std::string fullPath(const std::filesystem::path& file) {
    std::error_code failed;
    const std::filesystem::path full = std::filesystem::absolute(file, failed);
    const std::u8string text = (failed ? file : full).u8string();
    return std::string(text.begin(), text.end());
}

// Checks the entry's CLAP version and starts it; the module, or nothing with
// the reason in `error`.
std::shared_ptr<ClapModule> startEntry(std::shared_ptr<ClapModule> module, const std::string& path,
                                       std::string& error) {
    if (!clap_version_is_compatible(module->entry->clap_version)) {
        error = path + " was built for CLAP " + std::to_string(module->entry->clap_version.major) + "." +
                std::to_string(module->entry->clap_version.minor) + ", which this host cannot load";
        return nullptr;
    }
    if (!module->entry->init || !module->entry->get_factory || !module->entry->init(module->path.c_str())) {
        error = "the plugin library " + path + " failed to start";
        return nullptr;
    }
    module->initialised = true;
    return module;
}

} // namespace

std::shared_ptr<ClapModule> openClapModule(const std::string& path, std::string& error) {
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(file, ignored)) {
        error = "no plugin file at " + path;
        return nullptr;
    }
    auto module = std::make_shared<ClapModule>();
    module->path = fullPath(file);
    std::string reason;
    module->handle = openLibrary(module->path, reason);
    if (!module->handle) {
        error = "cannot load " + path + ": " + reason;
        return nullptr;
    }
    module->entry = static_cast<const clap_plugin_entry_t*>(librarySymbol(module->handle, "clap_entry"));
    if (!module->entry) {
        error = path + " is not a CLAP plugin (it has no clap_entry)";
        return nullptr;
    }
    return startEntry(std::move(module), path, error);
}

std::shared_ptr<ClapModule> openLinkedClapModule(const clap_plugin_entry_t& entry, const std::string& path,
                                                 std::string& error) {
    auto module = std::make_shared<ClapModule>();
    module->path = path;
    module->entry = &entry;
    return startEntry(std::move(module), path, error);
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
