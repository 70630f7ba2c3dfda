#include "plugin/ports.h"

#include <cstdio>

namespace fennrow::plugin {
namespace {

constexpr char kAudioPortName[] = "Main";
constexpr char kNotePortName[] = "Notes";
constexpr uint32_t kStereoChannels = 2;

uint32_t audioPortCount(const clap_plugin_t*, bool isInput) { return isInput ? 0 : 1; }

bool audioPortGet(const clap_plugin_t*, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
    if (isInput || index != 0 || info == nullptr) return false;
    info->id = 0;
    std::snprintf(info->name, sizeof info->name, "%s", kAudioPortName);
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = kStereoChannels;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = CLAP_INVALID_ID;
    return true;
}

uint32_t notePortCount(const clap_plugin_t*, bool isInput) { return isInput ? 1 : 0; }

bool notePortGet(const clap_plugin_t*, uint32_t index, bool isInput, clap_note_port_info_t* info) {
    if (!isInput || index != 0 || info == nullptr) return false;
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_CLAP;
    info->preferred_dialect = CLAP_NOTE_DIALECT_CLAP;
    std::snprintf(info->name, sizeof info->name, "%s", kNotePortName);
    return true;
}

} // namespace

const clap_plugin_audio_ports_t kAudioPortsExtension = {audioPortCount, audioPortGet};
const clap_plugin_note_ports_t kNotePortsExtension = {notePortCount, notePortGet};

} // namespace fennrow::plugin
