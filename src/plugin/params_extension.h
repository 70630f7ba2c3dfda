// The "clap.params" plugin extension over the parameter table.
#pragma once

#include <clap/clap.h>

namespace fennrow {

extern const clap_plugin_params_t kParamsExtension;

} // namespace fennrow
