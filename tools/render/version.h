#pragma once

namespace fennrow {

inline constexpr const char* kRenderHostVersion = "0.1.3";

}  // namespace fennrow
