// What a VST 3 host sees of fennrow before creating it: the plugin's identity
// (plugin/plugin_identity.h) in the format's records.
#pragma once

#include "plugin/plugin_identity.h"

#include <vst3/base.h>

namespace fennrow::vst3 {

// Hosts save sessions under this id and find the plugin by it again.
inline constexpr ::vst3::Uid kClassId =
    ::vst3::makeUid(plugin::kVst3ClassIdWords[0], plugin::kVst3ClassIdWords[1], plugin::kVst3ClassIdWords[2],
                    plugin::kVst3ClassIdWords[3]);

inline constexpr char kCategory[] = "Audio Module Class";
// The interface version these declarations follow.
inline constexpr char kInterfaceVersion[] = "VST 3.7.7";
// The name the adapter gives itself as the CLAP host of the plugin it wraps.
inline constexpr char kHostName[] = "fennrow VST3";

} // namespace fennrow::vst3
