#include "entry/plugin_extensions.h"

#include "plugin/params_extension.h"
#include "plugin/ports.h"
#include "plugin/session_extension.h"
#include "presets/preset_load_extension.h"
#include "presets/state_extension.h"

#include <cstring>

namespace fennrow {
namespace {

struct ExtensionEntry {
    const char* id;
    const void* table;
};

const ExtensionEntry kExtensions[] = {
    {CLAP_EXT_AUDIO_PORTS, &kAudioPortsExtension}, {CLAP_EXT_NOTE_PORTS, &kNotePortsExtension},
    {CLAP_EXT_PARAMS, &kParamsExtension},          {CLAP_EXT_STATE, &kStateExtension},
    {CLAP_EXT_PRESET_LOAD, &kPresetLoadExtension}, {CLAP_EXT_PRESET_LOAD_COMPAT, &kPresetLoadExtension},
    {kSessionExtensionId, &kSessionExtension},
};

} // namespace

const void* pluginGetExtension(const clap_plugin_t*, const char* id) {
    if (id == nullptr) return nullptr;
    for (const ExtensionEntry& entry : kExtensions) {
        if (std::strcmp(entry.id, id) == 0) return entry.table;
    }
    return nullptr;
}

} // namespace fennrow
