// Who the plugin is, wherever a host or an indexer asks: its CLAP id, name,
// maker, description and features, and the class a VST 3 host knows it by.
// Hosts save sessions and presets under these and find the plugin by them
// again, so none of them may ever change. The version is the project's
// (CMakeLists.txt), read as kFennrowVersion from <fennrow_version.h>.
#pragma once

#include <clap/clap.h>

#include <cstdint>

namespace fennrow::plugin {

inline constexpr char kPluginId[] = "com.brightmoss.fennrow";
inline constexpr char kPluginName[] = "fennrow";
inline constexpr char kPluginVendor[] = "Brightmoss";
inline constexpr char kPluginDescription[] = "A bass you play: a clean mono sub under everything else";

// What a CLAP host files the plugin under; the list ends with a null.
inline constexpr const char* kPluginFeatures[] = {
    CLAP_PLUGIN_FEATURE_INSTRUMENT,
    CLAP_PLUGIN_FEATURE_SYNTHESIZER,
    CLAP_PLUGIN_FEATURE_STEREO,
    nullptr,
};

// The same for a VST 3 host, in its own words.
inline constexpr char kVst3SubCategories[] = "Instrument|Synth";

// The VST 3 class id, generated once, as four 32-bit words.
inline constexpr std::uint32_t kVst3ClassIdWords[4] = {0x5F44CEB3, 0xD4D4840E, 0x6E9578BF, 0x7D3A73A2};

} // namespace fennrow::plugin
