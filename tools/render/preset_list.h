// The presets a plugin library lists for a host's browser, found through its
// preset-discovery factory. The render host uses the plugin's own (factory)
// presets: their names and load keys, and the features given with them.
#pragma once

#include <string>
#include <vector>

#include "plugin_loader/clap_module.h"

namespace fennrow {

struct PresetEntry {
    std::string name;
    std::string loadKey;
    std::vector<std::string> features;
};

// Every preset that the library's providers list at locations of the plugin
// kind, in the order listed. Empty, with the reason in `error`, when the
// library has no preset-discovery factory or lists nothing there.
std::vector<PresetEntry> listFactoryPresets(const ClapModule& module, std::string& error);

} // namespace fennrow
