#include "presets/preset_discovery_factory.h"

#include "presets/preset_provider.h"

namespace fennrow::presets {

const clap_preset_discovery_factory_t kPresetDiscoveryFactory = {
    presetProviderCount,
    presetProviderDescriptor,
    createPresetProvider,
};

} // namespace fennrow::presets
