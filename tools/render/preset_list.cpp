#include "preset_list.h"

#include "version.h"

namespace fennrow {
namespace {

struct Indexer {
    clap_preset_discovery_indexer_t record{};
    std::vector<clap_preset_discovery_location_t> pluginLocations;
};

bool CLAP_ABI declareFiletype(const clap_preset_discovery_indexer_t*,
                              const clap_preset_discovery_filetype_t*) {
    return true;
}

bool CLAP_ABI declareLocation(const clap_preset_discovery_indexer_t* indexer,
                              const clap_preset_discovery_location_t* location) {
    if (!location) return false;
    auto* self = static_cast<Indexer*>(indexer->indexer_data);
    // File locations are the user's folders; the render host only plays the
    // presets inside the plugin. The name and location strings are not kept.
    if (location->kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN) {
        self->pluginLocations.push_back({location->flags, nullptr, location->kind, nullptr});
    }
    return true;
}

bool CLAP_ABI declareSoundpack(const clap_preset_discovery_indexer_t*,
                               const clap_preset_discovery_soundpack_t*) {
    return true;
}

const void* CLAP_ABI indexerExtension(const clap_preset_discovery_indexer_t*, const char*) { return nullptr; }

struct Receiver {
    clap_preset_discovery_metadata_receiver_t record{};
    std::vector<PresetEntry>* presets = nullptr;
    std::string error;
};

Receiver& receiverOf(const clap_preset_discovery_metadata_receiver_t* r) {
    return *static_cast<Receiver*>(r->receiver_data);
}

void CLAP_ABI onError(const clap_preset_discovery_metadata_receiver_t* r, int32_t, const char* message) {
    receiverOf(r).error = message ? message : "";
}

bool CLAP_ABI beginPreset(const clap_preset_discovery_metadata_receiver_t* r, const char* name,
                          const char* loadKey) {
    PresetEntry entry;
    entry.name = name ? name : "";
    entry.loadKey = loadKey ? loadKey : entry.name;
    receiverOf(r).presets->push_back(std::move(entry));
    return true;
}

void CLAP_ABI addPluginId(const clap_preset_discovery_metadata_receiver_t*,
                          const clap_universal_plugin_id_t*) {}
void CLAP_ABI setSoundpackId(const clap_preset_discovery_metadata_receiver_t*, const char*) {}
void CLAP_ABI setFlags(const clap_preset_discovery_metadata_receiver_t*, uint32_t) {}
void CLAP_ABI addCreator(const clap_preset_discovery_metadata_receiver_t*, const char*) {}
void CLAP_ABI setDescription(const clap_preset_discovery_metadata_receiver_t*, const char*) {}
void CLAP_ABI setTimestamps(const clap_preset_discovery_metadata_receiver_t*, clap_timestamp,
                            clap_timestamp) {}

void CLAP_ABI addFeature(const clap_preset_discovery_metadata_receiver_t* r, const char* feature) {
    auto& presets = *receiverOf(r).presets;
    if (!presets.empty() && feature) presets.back().features.emplace_back(feature);
}

void CLAP_ABI addExtraInfo(const clap_preset_discovery_metadata_receiver_t*, const char*, const char*) {}

struct ProviderCloser {
    void operator()(const clap_preset_discovery_provider_t* p) const { p->destroy(p); }
};

} // namespace

std::vector<PresetEntry> listFactoryPresets(const ClapModule& module, std::string& error) {
    std::vector<PresetEntry> presets;
    const clap_preset_discovery_factory_t* factory = presetDiscoveryFactory(module);
    if (!factory) {
        error = module.path + " lists no presets (it has no preset-discovery factory)";
        return presets;
    }
    Indexer indexer;
    indexer.record = {CLAP_VERSION,       kRenderHostName, kRenderHostVendor, "",
                      kRenderHostVersion, &indexer,        declareFiletype,   declareLocation,
                      declareSoundpack,   indexerExtension};
    Receiver receiver;
    receiver.presets = &presets;
    receiver.record = {&receiver,  onError,        beginPreset,   addPluginId, setSoundpackId, setFlags,
                       addCreator, setDescription, setTimestamps, addFeature,  addExtraInfo};

    const uint32_t providers = factory->count(factory);
    for (uint32_t i = 0; i < providers; ++i) {
        const clap_preset_discovery_provider_descriptor_t* descriptor = factory->get_descriptor(factory, i);
        if (!descriptor || !descriptor->id) continue;
        std::unique_ptr<const clap_preset_discovery_provider_t, ProviderCloser> provider(
            factory->create(factory, &indexer.record, descriptor->id));
        if (!provider) continue;
        indexer.pluginLocations.clear();
        if (!provider->init(provider.get())) continue;
        for (const clap_preset_discovery_location_t& location : indexer.pluginLocations) {
            provider->get_metadata(provider.get(), location.kind, nullptr, &receiver.record);
        }
    }
    if (presets.empty()) {
        error = receiver.error.empty() ? module.path + " lists no presets of its own" : receiver.error;
    }
    return presets;
}

} // namespace fennrow
