// The "clap.params" plugin extension over the parameter table.
#pragma once

#include <clap/clap.h>

namespace fennrow::plugin {

extern const clap_plugin_params_t kParamsExtension;

} // namespace fennrow::plugin
