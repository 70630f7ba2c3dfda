// What the host shows about the plugin before creating it.
#pragma once

#include <clap/clap.h>

namespace fennrow {

inline constexpr char kPluginId[] = "com.brightmoss.fennrow";

extern const clap_plugin_descriptor_t kPluginDescriptor;

} // namespace fennrow
