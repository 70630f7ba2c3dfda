#include "presets/state_extension.h"

namespace fennrow {
namespace {

bool stateSave(const clap_plugin_t *, const clap_ostream_t *) { return false; }
bool stateLoad(const clap_plugin_t *, const clap_istream_t *) { return false; }

} // namespace

const clap_plugin_state_t kStateExtension = {stateSave, stateLoad};

} // namespace fennrow
