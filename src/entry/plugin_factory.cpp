#include "entry/plugin_factory.h"

#include "entry/descriptor.h"
#include "entry/plugin_extensions.h"
#include "plugin/plugin_identity.h"
#include "plugin/plugin_instance.h"

#include <cstring>

namespace fennrow::entry {
namespace {

uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, uint32_t index) {
    return index == 0 ? &kPluginDescriptor : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host,
                                  const char* pluginId) {
    if (pluginId == nullptr || std::strcmp(pluginId, plugin::kPluginId) != 0) return nullptr;
    return plugin::createPluginInstance(host, &kPluginDescriptor, pluginGetExtension);
}

} // namespace

const clap_plugin_factory_t kPluginFactory = {pluginCount, pluginDescriptor, createPlugin};

} // namespace fennrow::entry
