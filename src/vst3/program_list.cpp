#include "vst3/program_list.h"

#include "vst3/class_info.h"

#include <fennrow_version.h>

namespace fennrow::vst3 {

namespace {

// The indexer needs to keep nothing: only the plugin's own location is read.
bool declareFiletype(const clap_preset_discovery_indexer_t*, const clap_preset_discovery_filetype_t*) {
    return true;
}
bool declareLocation(const clap_preset_discovery_indexer_t*, const clap_preset_discovery_location_t*) {
    return true;
}
bool declareSoundpack(const clap_preset_discovery_indexer_t*, const clap_preset_discovery_soundpack_t*) {
    return true;
}
const void* indexerExtension(const clap_preset_discovery_indexer_t*, const char*) { return nullptr; }

std::vector<Program>& listOf(const clap_preset_discovery_metadata_receiver_t* receiver) {
    return *static_cast<std::vector<Program>*>(receiver->receiver_data);
}

void onError(const clap_preset_discovery_metadata_receiver_t*, int32_t, const char*) {}

bool beginPreset(const clap_preset_discovery_metadata_receiver_t* receiver, const char* name,
                 const char* loadKey) {
    if (name == nullptr || loadKey == nullptr) return true; // not loadable as a factory sound
    try {
        listOf(receiver).push_back({name, loadKey});
    } catch (...) {
        return false;
    }
    return true;
}

void addPluginId(const clap_preset_discovery_metadata_receiver_t*, const clap_universal_plugin_id_t*) {}
void setSoundpackId(const clap_preset_discovery_metadata_receiver_t*, const char*) {}
void setFlags(const clap_preset_discovery_metadata_receiver_t*, uint32_t) {}
void addCreator(const clap_preset_discovery_metadata_receiver_t*, const char*) {}
void setDescription(const clap_preset_discovery_metadata_receiver_t*, const char*) {}
void setTimestamps(const clap_preset_discovery_metadata_receiver_t*, clap_timestamp, clap_timestamp) {}
void addFeature(const clap_preset_discovery_metadata_receiver_t*, const char*) {}
void addExtraInfo(const clap_preset_discovery_metadata_receiver_t*, const char*, const char*) {}

} // namespace

std::vector<Program> readFactoryPrograms(const clap_plugin_entry_t& entry) {
    std::vector<Program> programs;
    const auto* factory = static_cast<const clap_preset_discovery_factory_t*>(
        entry.get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
    if (factory == nullptr) return programs;
    const clap_preset_discovery_indexer_t indexer = {
        CLAP_VERSION_INIT, kHostName,        plugin::kPluginVendor, "",
        kFennrowVersion,   nullptr,          declareFiletype,       declareLocation,
        declareSoundpack,  indexerExtension,
    };
    const clap_preset_discovery_metadata_receiver_t receiver = {
        &programs,  onError,        beginPreset,   addPluginId, setSoundpackId, setFlags,
        addCreator, setDescription, setTimestamps, addFeature,  addExtraInfo,
    };
    const uint32_t count = factory->count(factory);
    for (uint32_t index = 0; index < count && programs.empty(); ++index) {
        const clap_preset_discovery_provider_descriptor_t* descriptor =
            factory->get_descriptor(factory, index);
        if (descriptor == nullptr || descriptor->id == nullptr) continue;
        const clap_preset_discovery_provider_t* provider = factory->create(factory, &indexer, descriptor->id);
        if (provider == nullptr) continue;
        if (provider->init(provider)) {
            provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &receiver);
        }
        provider->destroy(provider);
    }
    if (!programs.empty()) programs.push_back({kEditedProgramName, ""});
    return programs;
}

} // namespace fennrow::vst3
