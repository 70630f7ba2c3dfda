// clap_entry: the one symbol the library exports.
#include "entry/id_table.h"
#include "entry/plugin_factory.h"
#include "presets/preset_discovery_factory.h"

namespace fennrow::entry {
namespace {

// Both preset-discovery ids name the same interface.
const IdTable kFactories[] = {
    {CLAP_PLUGIN_FACTORY_ID, &kPluginFactory},
    {CLAP_PRESET_DISCOVERY_FACTORY_ID, &presets::kPresetDiscoveryFactory},
    {CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT, &presets::kPresetDiscoveryFactory},
};

bool entryInit(const char*) { return true; }

void entryDeinit() {}

const void* entryGetFactory(const char* factoryId) { return findById(kFactories, factoryId); }

} // namespace
} // namespace fennrow::entry

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry = {
    CLAP_VERSION_INIT,
    fennrow::entry::entryInit,
    fennrow::entry::entryDeinit,
    fennrow::entry::entryGetFactory,
};
