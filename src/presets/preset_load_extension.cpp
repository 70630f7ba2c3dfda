#include "presets/preset_load_extension.h"

#include "document/diagnostics.h"
#include "plugin/factory_sounds.h"
#include "plugin/param_writes.h"
#include "plugin/plugin_instance.h"
#include "presets/preset_file.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace fennrow::presets {

namespace {

constexpr const char* kUnsupportedLocation = "Fennrow loads presets from files and from its own factory set";

// What the host asked for, passed back to it unchanged with every report.
struct PresetRequest {
    std::uint32_t kind;
    const char* location;
    const char* loadKey;
};

// The location and load key go back exactly as the host sent them, so that it
// can tell which request failed; the message, which may quote a document, is
// given in host form.
void report(const plugin::PluginInstance& instance, const PresetRequest& request, std::string_view message) {
    const std::string text = document::hostText(message);
    const clap_host_preset_load_t* hostPresetLoad = instance.hostPresetLoad;
    if (hostPresetLoad != nullptr && hostPresetLoad->on_error != nullptr) {
        hostPresetLoad->on_error(instance.host, request.kind, request.location, request.loadKey, 0,
                                 text.c_str());
    } else {
        std::fprintf(stderr, "fennrow preset: %s\n", text.c_str());
    }
}

void notifyLoaded(const plugin::PluginInstance& instance, const PresetRequest& request) {
    if (instance.hostParams != nullptr && instance.hostParams->rescan != nullptr) {
        instance.hostParams->rescan(instance.host, CLAP_PARAM_RESCAN_VALUES);
    }
    if (instance.hostState != nullptr && instance.hostState->mark_dirty != nullptr) {
        instance.hostState->mark_dirty(instance.host);
    }
    if (instance.hostPresetLoad != nullptr && instance.hostPresetLoad->loaded != nullptr) {
        instance.hostPresetLoad->loaded(instance.host, request.kind, request.location, request.loadKey);
    }
}

bool loadFactorySound(plugin::PluginInstance& instance, const PresetRequest& request) {
    const std::string key = request.loadKey != nullptr ? request.loadKey : "";
    const plugin::FactorySound* sound = plugin::findFactorySound(key);
    if (sound == nullptr) {
        report(instance, request, "Fennrow has no factory sound " + document::quotedValue(key));
        return false;
    }
    // A later save writes a new document, not one loaded before.
    instance.document = document::InstanceDocument{};
    applyLoadedSound(instance, sound->sound);
    notifyLoaded(instance, request);
    return true;
}

bool loadPresetFile(plugin::PluginInstance& instance, const PresetRequest& request) {
    PresetFileRead read = readPresetFile(request.location);
    if (!read.sound) {
        report(instance, request, presetRefusal(read, request.location));
        return false;
    }
    instance.document = std::move(read.document);
    applyLoadedSound(instance, *read.sound);
    notifyLoaded(instance, request);
    return true;
}

bool presetFromLocation(const clap_plugin_t* plugin, std::uint32_t kind, const char* location,
                        const char* loadKey) {
    plugin::PluginInstance* instance = plugin::instanceOf(plugin);
    if (instance == nullptr) {
        return false;
    }
    const PresetRequest request{kind, location, loadKey};
    try {
        if (kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN) {
            return loadFactorySound(*instance, request);
        }
        if (kind == CLAP_PRESET_DISCOVERY_LOCATION_FILE && location != nullptr) {
            return loadPresetFile(*instance, request);
        }
        report(*instance, request, kUnsupportedLocation);
    } catch (...) {
        // Nothing may escape into the host; the instance keeps its sound.
    }
    return false;
}

} // namespace

const clap_plugin_preset_load_t kPresetLoadExtension = {presetFromLocation};

} // namespace fennrow::presets
