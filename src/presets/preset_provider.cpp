#include "presets/preset_provider.h"

#include "document/diagnostics.h"
#include "document/json_value.h"
#include "platform/file_system.h"
#include "plugin/factory_sounds.h"
#include "plugin/plugin_identity.h"
#include "presets/preset_file.h"
#include "presets/preset_locations.h"
#include "presets/preset_names.h"

#include <cstring>
#include <new>
#include <string>

namespace fennrow::presets {

namespace {

constexpr const char* kUnsupportedLocation = "Fennrow lists presets from files and from its own factory set";
constexpr const char* const kCommonFeatures[] = {"instrument", "bass"};

const clap_preset_discovery_provider_descriptor_t kDescriptor = {
    CLAP_VERSION_INIT,
    kPresetProviderId,
    "Fennrow presets",
    plugin::kPluginVendor,
};

const clap_preset_discovery_filetype_t kFileType = {
    "Tamber preset",
    "A fennrow sound as a Tamber instance document",
    "json",
};

// The provider record comes first, so the record's address is the object's.
struct PresetProvider {
    clap_preset_discovery_provider_t record;
    const clap_preset_discovery_indexer_t* indexer = nullptr;
    // The indexer may keep these pointers, so they live as long as the provider.
    std::string userLocation;
    std::string earlierLocation;
};

PresetProvider* providerOf(const clap_preset_discovery_provider_t* record) {
    return record == nullptr ? nullptr : static_cast<PresetProvider*>(record->provider_data);
}

void declareLocation(const clap_preset_discovery_indexer_t* indexer, std::uint32_t flags, const char* name,
                     std::uint32_t kind, const char* location) {
    const clap_preset_discovery_location_t declared = {flags, name, kind, location};
    indexer->declare_location(indexer, &declared);
}

bool providerInit(const clap_preset_discovery_provider_t* record) {
    PresetProvider* provider = providerOf(record);
    if (provider == nullptr || provider->indexer == nullptr) {
        return false;
    }
    try {
        const clap_preset_discovery_indexer_t* indexer = provider->indexer;
        indexer->declare_filetype(indexer, &kFileType);
        declareLocation(indexer, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, "Fennrow",
                        CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr);
        if (std::optional<std::string> user = userPresetFolder()) {
            provider->userLocation = std::move(*user);
            declareLocation(indexer, CLAP_PRESET_DISCOVERY_IS_USER_CONTENT, "Fennrow user presets",
                            CLAP_PRESET_DISCOVERY_LOCATION_FILE, provider->userLocation.c_str());
        }
        if (std::optional<std::string> earlier = earlierPresetFolder()) {
            provider->earlierLocation = std::move(*earlier);
            declareLocation(indexer, CLAP_PRESET_DISCOVERY_IS_USER_CONTENT,
                            "Fennrow presets from earlier versions", CLAP_PRESET_DISCOVERY_LOCATION_FILE,
                            provider->earlierLocation.c_str());
        }
    } catch (...) {
        return false;
    }
    return true;
}

void providerDestroy(const clap_preset_discovery_provider_t* record) { delete providerOf(record); }

void addCommonMetadata(const clap_preset_discovery_metadata_receiver_t* receiver,
                       const std::string& category) {
    const clap_universal_plugin_id_t pluginId = {"clap", plugin::kPluginId};
    receiver->add_plugin_id(receiver, &pluginId);
    for (const char* feature : kCommonFeatures) {
        receiver->add_feature(receiver, feature);
    }
    if (!category.empty()) {
        receiver->add_feature(receiver, document::hostText(categoryFeature(category)).c_str());
    }
}

bool describeFactorySounds(const clap_preset_discovery_metadata_receiver_t* receiver) {
    for (const plugin::FactorySound& sound : plugin::factorySounds()) {
        if (!receiver->begin_preset(receiver, sound.name.c_str(), sound.name.c_str())) {
            break;
        }
        receiver->add_creator(receiver, plugin::kPluginVendor);
        addCommonMetadata(receiver, sound.category);
    }
    return true;
}

// Documents keep whatever bytes they were given; the host gets host text.
void reportError(const clap_preset_discovery_metadata_receiver_t* receiver, std::string_view message) {
    receiver->on_error(receiver, 0, document::hostText(message).c_str());
}

bool describePresetFile(const char* location, const clap_preset_discovery_metadata_receiver_t* receiver) {
    const PresetFileRead read = readPresetFile(location);
    if (read.sound) {
        const document::JsonValue& meta = read.document.meta;
        // In host form before the test for an empty name, so a name made of
        // control characters (a NUL among them) is shown, not dropped.
        std::string name = document::hostText(stringMemberOr(meta, "name", ""));
        const std::string category = stringMemberOr(meta, "category", "");
        if (name.empty()) {
            name = document::hostText(fileStemName(platform::locationText(location)));
        }
        if (receiver->begin_preset(receiver, name.c_str(), nullptr)) {
            addCommonMetadata(receiver, category);
        }
        return true;
    }
    reportError(receiver, presetRefusal(read, location));
    return false;
}

bool providerGetMetadata(const clap_preset_discovery_provider_t* record, std::uint32_t kind,
                         const char* location, const clap_preset_discovery_metadata_receiver_t* receiver) {
    if (providerOf(record) == nullptr || receiver == nullptr) {
        return false;
    }
    try {
        if (kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN) {
            return describeFactorySounds(receiver);
        }
        if (kind == CLAP_PRESET_DISCOVERY_LOCATION_FILE && location != nullptr) {
            return describePresetFile(location, receiver);
        }
        reportError(receiver, kUnsupportedLocation);
    } catch (...) {
        // Nothing may escape into the host; a file we could not describe is
        // simply not listed.
    }
    return false;
}

const void* providerGetExtension(const clap_preset_discovery_provider_t*, const char*) { return nullptr; }

} // namespace

std::uint32_t presetProviderCount(const clap_preset_discovery_factory_t*) { return 1; }

const clap_preset_discovery_provider_descriptor_t*
presetProviderDescriptor(const clap_preset_discovery_factory_t*, std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_preset_discovery_provider_t* createPresetProvider(const clap_preset_discovery_factory_t*,
                                                             const clap_preset_discovery_indexer_t* indexer,
                                                             const char* providerId) {
    if (providerId == nullptr || std::strcmp(providerId, kPresetProviderId) != 0) {
        return nullptr;
    }
    auto* provider = new (std::nothrow) PresetProvider{};
    if (provider == nullptr) {
        return nullptr;
    }
    provider->record = {&kDescriptor,        provider, providerInit, providerDestroy, providerGetMetadata,
                        providerGetExtension};
    provider->indexer = indexer;
    return &provider->record;
}

} // namespace fennrow::presets
