// Which extension table answers which id. It lives above both the plugin
// instance and the state and preset code, whose tables it lists, so that
// neither of those has to know the other.
#pragma once

#include <clap/clap.h>

namespace fennrow::entry {

const void* pluginGetExtension(const clap_plugin_t* plugin, const char* id);

} // namespace fennrow::entry
