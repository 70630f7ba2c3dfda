#pragma once

#include <fennrow_version.h>

namespace fennrow {

// The render host ships with the plugin and carries the same version.
inline constexpr const char* kRenderHostVersion = kFennrowVersion;

} // namespace fennrow
