// What the host shows about the plugin before creating it.
#pragma once

#include "plugin/plugin_identity.h"

#include <clap/clap.h>

namespace fennrow::entry {

extern const clap_plugin_descriptor_t kPluginDescriptor;

} // namespace fennrow::entry
