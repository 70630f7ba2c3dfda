// The fennrow.clap of this build, opened through the loader the hosts share,
// and its plugin on a fake host.
#pragma once

#include "plugin/plugin_identity.h"
#include "plugin_loader/clap_module.h"
#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace fennrow::test {

// Null when the library does not load, with the reason reported as a failure
// of the running test.
inline std::shared_ptr<ClapModule> openBuiltModule(const std::string& path = FENNROW_MODULE_PATH) {
    std::string error;
    std::shared_ptr<ClapModule> module = openClapModule(path, error);
    if (module == nullptr) ADD_FAILURE() << error;
    return module;
}

// The built module's plugin on a fake host, initialised, with the extensions
// the tests drive it through; null members when something is missing.
struct BuiltPlugin {
    std::shared_ptr<ClapModule> module = openBuiltModule();
    FakeHost host; // declared before plugin, so it outlives it
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_preset_load_t* presetLoad = nullptr;

    BuiltPlugin() {
        const clap_plugin_factory_t* factory = module != nullptr ? pluginFactory(*module) : nullptr;
        if (factory != nullptr) plugin = factory->create_plugin(factory, host.clap(), plugin::kPluginId);
        if (plugin == nullptr) return;
        plugin->init(plugin);
        params = static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
        state = static_cast<const clap_plugin_state_t*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
        presetLoad = static_cast<const clap_plugin_preset_load_t*>(
            plugin->get_extension(plugin, CLAP_EXT_PRESET_LOAD));
    }
    ~BuiltPlugin() {
        if (plugin != nullptr) plugin->destroy(plugin);
    }
    BuiltPlugin(const BuiltPlugin&) = delete;
    BuiltPlugin& operator=(const BuiltPlugin&) = delete;
};

} // namespace fennrow::test
