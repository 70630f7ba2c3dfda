// The preset-discovery factory that the host's indexer reaches through clap_entry.
#pragma once

#include <clap/clap.h>

namespace fennrow::presets {

extern const clap_preset_discovery_factory_t kPresetDiscoveryFactory;

} // namespace fennrow::presets
