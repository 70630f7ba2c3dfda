// Where a sound sits in an instance document: the parameter values under
// "params" by their table keys, the eight curves under "state".
#pragma once

// Documents name the plugin they belong to by its name, kPluginName.
#include "plugin/plugin_identity.h"

namespace fennrow::presets {

inline constexpr const char* kParamsKey = "params";
inline constexpr const char* kStateKey = "state";
inline constexpr const char* kArcsKey = "arcs";

// Curves 0-2 sit directly under "state".
inline constexpr const char* kMotionCurveNames[] = {"motion", "motionDrive", "motionLevel"};
// Curves 3-7 sit under "state"/"arcs".
inline constexpr const char* kArcCurveNames[] = {"Shape", "Tone", "Drive", "Motion", "Spread"};
inline constexpr int kFirstArcCurve = 3;

} // namespace fennrow::presets
