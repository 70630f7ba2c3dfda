// init, destroy, activate and the other lifecycle calls of the plugin record.
#include "plugin/plugin_callbacks.h"
#include "plugin/plugin_instance.h"

#include <limits>

namespace fennrow::plugin {
namespace {

const void* hostExtension(const clap_host_t* host, const char* id) {
    if (host == nullptr || host->get_extension == nullptr) return nullptr;
    return host->get_extension(host, id);
}

} // namespace

bool pluginInit(const clap_plugin_t* plugin) {
    PluginInstance* instance = instanceOf(plugin);
    if (instance == nullptr) return false;
    instance->noteExtras.spaceId = registerEventSpace(instance->host);
    for (int i = 0; i < kParamCount; ++i) {
        instance->paramValues[i].exchange(kParamTable[i].defaultValue);
    }
    instance->hostParams =
        static_cast<const clap_host_params_t*>(hostExtension(instance->host, CLAP_EXT_PARAMS));
    instance->hostState =
        static_cast<const clap_host_state_t*>(hostExtension(instance->host, CLAP_EXT_STATE));
    instance->hostPresetLoad =
        static_cast<const clap_host_preset_load_t*>(hostExtension(instance->host, CLAP_EXT_PRESET_LOAD));
    if (instance->hostPresetLoad == nullptr) {
        instance->hostPresetLoad = static_cast<const clap_host_preset_load_t*>(
            hostExtension(instance->host, CLAP_EXT_PRESET_LOAD_COMPAT));
    }
    return true;
}

void pluginDestroy(const clap_plugin_t* plugin) { destroyPluginInstance(instanceOf(plugin)); }

bool pluginActivate(const clap_plugin_t* plugin, double sampleRate, uint32_t /*minFrames*/,
                    uint32_t maxFrames) {
    PluginInstance* instance = instanceOf(plugin);
    if (instance == nullptr) return false;
    // The block timing divides by the rate; a host that offers no usable one
    // gets a refusal rather than motion and arcs running on NaN.
    if (!(sampleRate > 0.0 && sampleRate <= std::numeric_limits<float>::max())) return false;
    const auto rate = static_cast<float>(sampleRate);
    if (rate <= 0.0f) return false;
    try {
        instance->scratch.resize(maxFrames);
    } catch (...) {
        return false;
    }
    instance->sampleRate = rate;
    instance->engine = engine::SynthEngine{};
    enginePrepare(instance->engine, rate);
    instance->active.exchange(1);
    return true;
}

void pluginDeactivate(const clap_plugin_t* plugin) {
    if (PluginInstance* instance = instanceOf(plugin)) instance->active.exchange(0);
}

bool pluginStartProcessing(const clap_plugin_t*) { return true; }

void pluginStopProcessing(const clap_plugin_t*) {}

void pluginReset(const clap_plugin_t* plugin) {
    PluginInstance* instance = instanceOf(plugin);
    if (instance == nullptr) return;
    engineReset(instance->engine);
    freeAllNoteExtras(instance->noteExtras);
}

void pluginOnMainThread(const clap_plugin_t*) {}

const clap_plugin_t kPluginCallbacks = {
    nullptr,
    nullptr,
    pluginInit,
    pluginDestroy,
    pluginActivate,
    pluginDeactivate,
    pluginStartProcessing,
    pluginStopProcessing,
    pluginReset,
    pluginProcess,
    nullptr,
    pluginOnMainThread,
};

} // namespace fennrow::plugin
