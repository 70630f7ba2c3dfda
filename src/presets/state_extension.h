// The "clap.state" plugin extension: saving and restoring an instance's sound.
#pragma once

#include <clap/clap.h>

namespace fennrow::presets {

extern const clap_plugin_state_t kStateExtension;

} // namespace fennrow::presets
