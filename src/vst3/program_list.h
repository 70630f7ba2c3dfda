// The factory sounds as a VST 3 program list, read the way a CLAP host
// indexes presets: the plugin's preset-discovery provider describes the
// presets of its own (plugin) location.
#pragma once

#include <clap/clap.h>

#include <string>
#include <vector>

namespace fennrow::adapter {

struct Program {
    std::string name;
    std::string loadKey; // what the plugin's preset load takes for this sound
};

std::vector<Program> readFactoryPrograms(const clap_plugin_entry_t& entry);

} // namespace fennrow::adapter
