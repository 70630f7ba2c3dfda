// The 20 sounds the plugin carries with it. Constant data: built once on first
// use and shared read-only by every instance and by preset discovery.
#pragma once

#include "engine/sound.h"

#include <span>
#include <string>
#include <string_view>

namespace fennrow::plugin {

struct FactorySound {
    std::string name;     // unique; also the key a host loads the sound by
    std::string category; // "Other", "Pluck", "Sub", "Reese", "Acid" or "Growl"
    engine::SoundSnapshot sound;
};

inline constexpr int kFactorySoundCount = 20;

// The whole set, in the order hosts list it.
std::span<const FactorySound> factorySounds();

// The first sound whose name equals the text byte for byte, or null.
const FactorySound* findFactorySound(std::string_view name);

} // namespace fennrow::plugin
