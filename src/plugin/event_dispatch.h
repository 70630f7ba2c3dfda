// What one input event does to the instance during process.
#pragma once

#include <clap/clap.h>

namespace fennrow::plugin {

struct PluginInstance;

// Our own event space first; then core note on/off/choke and parameter
// values. Everything else, and any event shorter than its type needs, is
// ignored.
void dispatchEvent(PluginInstance& instance, const clap_event_header_t* event);

} // namespace fennrow::plugin
