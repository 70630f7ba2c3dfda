#pragma once

#include "plugin/plugin_identity.h"

#include <fennrow_version.h>

namespace fennrow {

// The render host ships with the plugin: the same maker and the same version.
inline constexpr const char* kRenderHostName = "fennrow-render";
inline constexpr const char* kRenderHostVendor = plugin::kPluginVendor;
inline constexpr const char* kRenderHostVersion = kFennrowVersion;

} // namespace fennrow
