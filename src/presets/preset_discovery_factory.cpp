#include "presets/preset_discovery_factory.h"

namespace fennrow {
namespace {

uint32_t providerCount(const clap_preset_discovery_factory_t *) { return 0; }

const clap_preset_discovery_provider_descriptor_t *providerDescriptor(
   const clap_preset_discovery_factory_t *, uint32_t) {
   return nullptr;
}

const clap_preset_discovery_provider_t *createProvider(const clap_preset_discovery_factory_t *,
                                                       const clap_preset_discovery_indexer_t *,
                                                       const char *) {
   return nullptr;
}

} // namespace

const clap_preset_discovery_factory_t kPresetDiscoveryFactory = {
   providerCount, providerDescriptor, createProvider};

} // namespace fennrow
