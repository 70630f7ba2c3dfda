// An in-process plugin instance on a fake host, for suites that link the
// plugin library. Header-only, so that the support library itself does not
// depend on the plugin.
#pragma once

#include <clap/clap.h>

#include "entry/plugin_extensions.h"
#include "plugin/plugin_instance.h"
#include "support/fake_host.h"

namespace fennrow::test {

class TestPlugin {
public:
    enum class Init { Yes, No };

    explicit TestPlugin(Init init = Init::Yes) {
        plugin = plugin::createPluginInstance(host.clap(), nullptr, entry::pluginGetExtension);
        if (plugin != nullptr && init == Init::Yes) plugin->init(plugin);
    }
    ~TestPlugin() {
        if (plugin == nullptr) return;
        if (instance().active.load() != 0) plugin->deactivate(plugin);
        plugin->destroy(plugin);
    }
    TestPlugin(const TestPlugin&) = delete;
    TestPlugin& operator=(const TestPlugin&) = delete;

    plugin::PluginInstance& instance() const { return *plugin::instanceOf(plugin); }

    template <typename Table>
    const Table* extension(const char* id) const {
        return static_cast<const Table*>(plugin->get_extension(plugin, id));
    }

    bool activate(double sampleRate = 48000.0, uint32_t maxFrames = 1024) {
        return plugin->activate(plugin, sampleRate, 1, maxFrames);
    }

    clap_process_status process(const clap_process_t* block) { return plugin->process(plugin, block); }

    FakeHost host; // declared before plugin, so it outlives it
    const clap_plugin_t* plugin = nullptr;
};

} // namespace fennrow::test
