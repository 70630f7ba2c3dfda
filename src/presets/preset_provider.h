// The preset-discovery factory's functions and the one provider it offers.
// The provider runs on the host's indexing thread and touches no plugin
// instance: it shares only the constant factory sounds with the rest.
#pragma once

#include <clap/clap.h>

namespace fennrow::presets {

inline constexpr const char* kPresetProviderId = "com.brightmoss.fennrow.presets";

std::uint32_t presetProviderCount(const clap_preset_discovery_factory_t* factory);
const clap_preset_discovery_provider_descriptor_t*
presetProviderDescriptor(const clap_preset_discovery_factory_t* factory, std::uint32_t index);
const clap_preset_discovery_provider_t* createPresetProvider(const clap_preset_discovery_factory_t* factory,
                                                             const clap_preset_discovery_indexer_t* indexer,
                                                             const char* providerId);

} // namespace fennrow::presets
