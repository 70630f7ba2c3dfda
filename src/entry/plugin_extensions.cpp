#include "entry/plugin_extensions.h"

#include "entry/id_table.h"

#include "plugin/params_extension.h"
#include "plugin/ports.h"
#include "plugin/session_extension.h"
#include "presets/preset_load_extension.h"
#include "presets/state_extension.h"

namespace fennrow::entry {
namespace {

const IdTable kExtensions[] = {
    {CLAP_EXT_AUDIO_PORTS, &plugin::kAudioPortsExtension},
    {CLAP_EXT_NOTE_PORTS, &plugin::kNotePortsExtension},
    {CLAP_EXT_PARAMS, &plugin::kParamsExtension},
    {CLAP_EXT_STATE, &presets::kStateExtension},
    {CLAP_EXT_PRESET_LOAD, &presets::kPresetLoadExtension},
    {CLAP_EXT_PRESET_LOAD_COMPAT, &presets::kPresetLoadExtension},
    {plugin::kSessionExtensionId, &plugin::kSessionExtension},
};

} // namespace

const void* pluginGetExtension(const clap_plugin_t*, const char* id) { return findById(kExtensions, id); }

} // namespace fennrow::entry
