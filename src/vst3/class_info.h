// What a VST 3 host sees of fennrow before creating it.
#pragma once

#include <vst3/base.h>

namespace fennrow::adapter {

// Generated once (5F44CEB3 D4D4840E 6E9578BF 7D3A73A2) and never to change:
// hosts save sessions under this id and find the plugin by it again.
inline constexpr vst3::Uid kClassId = vst3::makeUid(0x5F44CEB3, 0xD4D4840E, 0x6E9578BF, 0x7D3A73A2);

inline constexpr char kVendor[] = "Brightmoss";
inline constexpr char kClassName[] = "fennrow";
inline constexpr char kCategory[] = "Audio Module Class";
inline constexpr char kSubCategories[] = "Instrument|Synth";
// The interface version these declarations follow.
inline constexpr char kInterfaceVersion[] = "VST 3.7.7";
// The CLAP plugin the class wraps.
inline constexpr char kClapPluginId[] = "com.brightmoss.fennrow";

} // namespace fennrow::adapter
