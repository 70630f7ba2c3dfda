#include "vst3/factory_states.h"

#include "vst3/class_info.h"

#include <fennrow_version.h>

namespace fennrow::vst3 {

namespace {

// A host that offers nothing: the instance only loads and saves.
const void* noExtension(const clap_host_t*, const char*) { return nullptr; }
void noRequest(const clap_host_t*) {}

int64_t appendToString(const clap_ostream_t* stream, const void* buffer, uint64_t size) {
    try {
        static_cast<std::string*>(stream->ctx)->append(static_cast<const char*>(buffer), size);
    } catch (...) {
        return -1;
    }
    return static_cast<int64_t>(size);
}

std::vector<std::string> readFactoryStates(const clap_plugin_factory_t& factory, const char* pluginId,
                                           const std::vector<Program>& programs) {
    std::vector<std::string> states(programs.size());
    const clap_host_t host = {
        CLAP_VERSION_INIT, nullptr,   kHostName, plugin::kPluginVendor, "", kFennrowVersion, noExtension,
        noRequest,         noRequest, noRequest};
    const clap_plugin_t* plugin = factory.create_plugin(&factory, &host, pluginId);
    if (plugin == nullptr) return states;
    if (plugin->init(plugin)) {
        const auto* state =
            static_cast<const clap_plugin_state_t*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
        const auto* presetLoad = static_cast<const clap_plugin_preset_load_t*>(
            plugin->get_extension(plugin, CLAP_EXT_PRESET_LOAD));
        for (std::size_t index = 0; index < programs.size() && state != nullptr && presetLoad != nullptr;
             ++index) {
            const std::string& key = programs[index].loadKey;
            if (key.empty()) continue;
            if (presetLoad->from_location(plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                          key.c_str()))
                states[index] = savedState(plugin, state);
        }
    }
    plugin->destroy(plugin);
    return states;
}

} // namespace

std::string savedState(const clap_plugin_t* plugin, const clap_plugin_state_t* state) {
    std::string bytes;
    const clap_ostream_t stream = {&bytes, appendToString};
    if (!state->save(plugin, &stream)) bytes.clear();
    return bytes;
}

const std::vector<std::string>& factoryStates(const clap_plugin_factory_t& factory, const char* pluginId,
                                              const std::vector<Program>& programs) {
    // The factory sounds are constant data: every instance of the module
    // would read the same states.
    static const std::vector<std::string> states = readFactoryStates(factory, pluginId, programs);
    return states;
}

} // namespace fennrow::vst3
