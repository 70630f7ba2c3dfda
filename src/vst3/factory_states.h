// The state the plugin saves right after loading each factory sound, so that
// a state a host hands back can be recognised as one of them. Read once per
// module, from an instance of its own that no host sees.
#pragma once

#include "vst3/program_list.h"

#include <clap/clap.h>

#include <string>
#include <vector>

namespace fennrow::vst3 {

// One state per program, in program order; empty for a program that names no
// factory sound or that did not load. Main thread.
const std::vector<std::string>& factoryStates(const clap_plugin_factory_t& factory, const char* pluginId,
                                              const std::vector<Program>& programs);

// The plugin's state as bytes; empty when it cannot be saved.
std::string savedState(const clap_plugin_t* plugin, const clap_plugin_state_t* state);

} // namespace fennrow::vst3
