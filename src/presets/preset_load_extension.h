#pragma once
// The preset-load plugin extension: loading a preset named by the discovery provider.

#include <clap/clap.h>

namespace fennrow {

extern const clap_plugin_preset_load_t kPresetLoadExtension;

} // namespace fennrow
