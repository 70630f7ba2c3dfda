// The preset-load plugin extension: loading a preset named by the discovery provider.
#pragma once

#include <clap/clap.h>

namespace fennrow::presets {

extern const clap_plugin_preset_load_t kPresetLoadExtension;

} // namespace fennrow::presets
