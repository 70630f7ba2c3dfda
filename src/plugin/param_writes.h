// The paths by which parameter values change: one event at a time (from the
// audio thread, or from flush), or a whole loaded sound (main thread).
#pragma once

#include <clap/clap.h>

#include "engine/sound.h"

namespace fennrow::plugin {

struct PluginInstance;

// Finds the parameter by id; NaN becomes the default, stepped values round
// half away from zero, then the value is clamped to the range. Stores into the
// live sound and the host-visible values. Unknown ids are ignored.
void writeParam(PluginInstance& instance, const clap_event_param_value_t& event);

// The host-visible values placed in their engine slots.
engine::SoundParams makeSoundParams(const PluginInstance& instance);

// Main thread: takes over a loaded sound. The host-visible values and the
// curves change at once; the audio thread picks the sound up at its next block.
void applyLoadedSound(PluginInstance& instance, const engine::SoundSnapshot& snapshot);

} // namespace fennrow::plugin
