// The factory sounds as a VST 3 program list, read the way a CLAP host
// indexes presets: the plugin's preset-discovery provider describes the
// presets of its own (plugin) location.
#pragma once

#include <clap/clap.h>

#include <string>
#include <vector>

namespace fennrow::vst3 {

struct Program {
    std::string name;
    std::string loadKey; // what the plugin's preset load takes for this sound; empty for none
};

// The program shown after a host loads a state that is no factory sound, such
// as a session's own sound or a preset of the user's. It has nothing to load.
inline constexpr char kEditedProgramName[] = "(edited)";

// The factory sounds, then the edited-sound entry; empty when the plugin
// lists no factory sounds.
std::vector<Program> readFactoryPrograms(const clap_plugin_entry_t& entry);

} // namespace fennrow::vst3
