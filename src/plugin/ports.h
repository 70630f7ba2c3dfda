// The fixed port layout: one stereo audio output, one note input that speaks
// CLAP notes only.
#pragma once

#include <clap/clap.h>

namespace fennrow::plugin {

extern const clap_plugin_audio_ports_t kAudioPortsExtension;
extern const clap_plugin_note_ports_t kNotePortsExtension;

} // namespace fennrow::plugin
