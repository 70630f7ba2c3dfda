#include "plugin/plugin_instance.h"

#include "plugin/plugin_callbacks.h"

#include <cstring>
#include <new>

namespace fennrow::plugin {
namespace {

constexpr std::align_val_t kInstanceAlignment{alignof(PluginInstance)};

} // namespace

PluginInstance::PluginInstance() = default;

PluginInstance* instanceOf(const clap_plugin_t* plugin) {
    if (plugin == nullptr) return nullptr;
    return static_cast<PluginInstance*>(plugin->plugin_data);
}

const clap_plugin_t* createPluginInstance(const clap_host_t* host, const clap_plugin_descriptor_t* desc,
                                          ExtensionLookup getExtension) {
    void* memory = ::operator new(sizeof(PluginInstance), kInstanceAlignment, std::nothrow);
    if (memory == nullptr) return nullptr;
    // Zero first, so any byte the constructor does not set has a known value.
    std::memset(memory, 0, sizeof(PluginInstance));
    PluginInstance* instance = nullptr;
    try {
        instance = new (memory) PluginInstance();
    } catch (...) {
        ::operator delete(memory, kInstanceAlignment);
        return nullptr;
    }
    instance->host = host;
    instance->plugin = kPluginCallbacks;
    instance->plugin.desc = desc;
    instance->plugin.get_extension = getExtension;
    instance->plugin.plugin_data = instance;
    return &instance->plugin;
}

void destroyPluginInstance(PluginInstance* instance) {
    if (instance == nullptr) return;
    instance->~PluginInstance();
    ::operator delete(instance, kInstanceAlignment);
}

} // namespace fennrow::plugin
