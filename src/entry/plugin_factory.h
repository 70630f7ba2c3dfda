// The factory that lists and creates the library's one plugin.
#pragma once

#include <clap/clap.h>

namespace fennrow::entry {

extern const clap_plugin_factory_t kPluginFactory;

} // namespace fennrow::entry
