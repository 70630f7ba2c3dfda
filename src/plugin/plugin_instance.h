// One loaded plugin: the object behind the CLAP plugin record. It owns
// everything an instance uses, in one allocation; nothing is shared between
// instances.
#pragma once

#include <clap/clap.h>

#include "document/instance_document.h"
#include "engine/sound.h"
#include "engine/synth_engine.h"
#include "plugin/note_extras.h"
#include "plugin/param_table.h"
#include "plugin/session_extension.h"
#include "plugin/snapshot_exchange.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace fennrow::plugin {

struct PluginInstance {
    PluginInstance();

    // First member, so the record the host holds is also the instance's address.
    clap_plugin_t plugin{};

    const clap_host_t* host = nullptr;
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_state_t* hostState = nullptr;
    const clap_host_preset_load_t* hostPresetLoad = nullptr;

    SessionRecord session;
    NoteExtrasTable noteExtras;
    engine::SynthEngine engine;
    float sampleRate = 48000.0f;
    std::atomic<uint8_t> active{0};

    // The sound the audio thread renders with.
    engine::SoundSnapshot liveSound = engine::defaultSoundSnapshot();

    // Takes the discarded right channel of a mono output; sized at activate.
    std::vector<float> scratch;

    // The host-visible values in parameter-table order. Written by whichever
    // thread handles parameter events and read by the main thread, so each is
    // a single atomic 32-bit value.
    std::atomic<float> paramValues[kParamCount];

    // The main thread's copy of the curves.
    engine::CurveSet curves = engine::defaultCurveSet();

    // The document the sound was loaded from, kept so that a save writes back
    // everything it held.
    document::InstanceDocument document;

    SnapshotExchange exchange;
};

static_assert(std::atomic<float>::is_always_lock_free);
static_assert(std::atomic<uint8_t>::is_always_lock_free);

// The instance behind a plugin record, or null for a null record or one
// without plugin data.
PluginInstance* instanceOf(const clap_plugin_t* plugin);

// The record's get_extension: the extension tables are listed by the code that
// sees all of them, above this folder, and handed in at creation.
using ExtensionLookup = const void* (*)(const clap_plugin_t* plugin, const char* id);

// Creates one instance for this host and returns its plugin record, or null
// when the instance cannot be made. desc is stored in the record as given.
const clap_plugin_t* createPluginInstance(const clap_host_t* host, const clap_plugin_descriptor_t* desc,
                                          ExtensionLookup getExtension);

// Releases everything the instance owns and frees it.
void destroyPluginInstance(PluginInstance* instance);

// The plugin-record functions, in CLAP order (init ... on_main_thread);
// get_extension is left null here and set by createPluginInstance.
extern const clap_plugin_t kPluginCallbacks;

} // namespace fennrow::plugin
