// Record layouts and constants of the CLAP interface as a 64-bit host sees them.
// This file compiles against our own declarations and against an official include
// directory alike, so a mismatch between the two fails the build.
#include <clap/clap.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace {

#define FENNROW_CHECK_SIZE(type, bytes) static_assert(sizeof(type) == (bytes), #type " size")
#define FENNROW_CHECK_OFFSET(type, field, bytes)                                                             \
    static_assert(offsetof(type, field) == (bytes), #type "." #field " offset")

static_assert(sizeof(void*) == 8, "these layouts are those of a 64-bit target");

FENNROW_CHECK_SIZE(clap_version_t, 12);
FENNROW_CHECK_SIZE(clap_plugin_entry_t, 40);
FENNROW_CHECK_SIZE(clap_plugin_descriptor_t, 88);
FENNROW_CHECK_OFFSET(clap_plugin_descriptor_t, id, 16);
FENNROW_CHECK_OFFSET(clap_plugin_descriptor_t, features, 80);
FENNROW_CHECK_SIZE(clap_plugin_t, 96);
FENNROW_CHECK_OFFSET(clap_plugin_t, init, 16);
FENNROW_CHECK_OFFSET(clap_plugin_t, process, 72);
FENNROW_CHECK_OFFSET(clap_plugin_t, on_main_thread, 88);
FENNROW_CHECK_SIZE(clap_host_t, 88);
FENNROW_CHECK_OFFSET(clap_host_t, get_extension, 56);
FENNROW_CHECK_SIZE(clap_plugin_factory_t, 24);

FENNROW_CHECK_SIZE(clap_event_header_t, 16);
FENNROW_CHECK_OFFSET(clap_event_header_t, space_id, 8);
FENNROW_CHECK_OFFSET(clap_event_header_t, type, 10);
FENNROW_CHECK_SIZE(clap_event_note_t, 40);
FENNROW_CHECK_OFFSET(clap_event_note_t, note_id, 16);
FENNROW_CHECK_OFFSET(clap_event_note_t, port_index, 20);
FENNROW_CHECK_OFFSET(clap_event_note_t, channel, 22);
FENNROW_CHECK_OFFSET(clap_event_note_t, key, 24);
FENNROW_CHECK_OFFSET(clap_event_note_t, velocity, 32);
FENNROW_CHECK_SIZE(clap_event_note_expression_t, 40);
FENNROW_CHECK_SIZE(clap_event_param_value_t, 56);
FENNROW_CHECK_OFFSET(clap_event_param_value_t, param_id, 16);
FENNROW_CHECK_OFFSET(clap_event_param_value_t, cookie, 24);
FENNROW_CHECK_OFFSET(clap_event_param_value_t, note_id, 32);
FENNROW_CHECK_OFFSET(clap_event_param_value_t, value, 48);
FENNROW_CHECK_SIZE(clap_event_param_mod_t, 56);
FENNROW_CHECK_SIZE(clap_event_param_gesture_t, 20);
FENNROW_CHECK_SIZE(clap_event_transport_t, 104);
FENNROW_CHECK_OFFSET(clap_event_transport_t, flags, 16);
FENNROW_CHECK_OFFSET(clap_event_transport_t, song_pos_beats, 24);
FENNROW_CHECK_OFFSET(clap_event_transport_t, tempo, 40);
FENNROW_CHECK_OFFSET(clap_event_transport_t, bar_start, 88);
FENNROW_CHECK_OFFSET(clap_event_transport_t, bar_number, 96);
FENNROW_CHECK_OFFSET(clap_event_transport_t, tsig_denom, 102);
FENNROW_CHECK_SIZE(clap_event_midi_t, 24);
FENNROW_CHECK_SIZE(clap_event_midi_sysex_t, 40);
FENNROW_CHECK_SIZE(clap_event_midi2_t, 36);
FENNROW_CHECK_SIZE(clap_input_events_t, 24);
FENNROW_CHECK_SIZE(clap_output_events_t, 16);

FENNROW_CHECK_SIZE(clap_audio_buffer_t, 32);
FENNROW_CHECK_OFFSET(clap_audio_buffer_t, channel_count, 16);
FENNROW_CHECK_OFFSET(clap_audio_buffer_t, constant_mask, 24);
FENNROW_CHECK_SIZE(clap_process_t, 64);
FENNROW_CHECK_OFFSET(clap_process_t, frames_count, 8);
FENNROW_CHECK_OFFSET(clap_process_t, transport, 16);
FENNROW_CHECK_OFFSET(clap_process_t, audio_outputs, 32);
FENNROW_CHECK_OFFSET(clap_process_t, audio_outputs_count, 44);
FENNROW_CHECK_OFFSET(clap_process_t, in_events, 48);
FENNROW_CHECK_SIZE(clap_istream_t, 16);
FENNROW_CHECK_SIZE(clap_ostream_t, 16);

FENNROW_CHECK_SIZE(clap_param_info_t, 1320);
FENNROW_CHECK_OFFSET(clap_param_info_t, name, 16);
FENNROW_CHECK_OFFSET(clap_param_info_t, module, 272);
FENNROW_CHECK_OFFSET(clap_param_info_t, min_value, 1296);
FENNROW_CHECK_SIZE(clap_plugin_params_t, 48);
FENNROW_CHECK_SIZE(clap_host_params_t, 24);
FENNROW_CHECK_SIZE(clap_audio_port_info_t, 288);
FENNROW_CHECK_OFFSET(clap_audio_port_info_t, port_type, 272);
FENNROW_CHECK_OFFSET(clap_audio_port_info_t, in_place_pair, 280);
FENNROW_CHECK_SIZE(clap_plugin_audio_ports_t, 16);
FENNROW_CHECK_SIZE(clap_note_port_info_t, 268);
FENNROW_CHECK_SIZE(clap_plugin_note_ports_t, 16);
FENNROW_CHECK_SIZE(clap_plugin_state_t, 16);
FENNROW_CHECK_SIZE(clap_host_state_t, 8);
FENNROW_CHECK_SIZE(clap_plugin_preset_load_t, 8);
FENNROW_CHECK_SIZE(clap_host_preset_load_t, 16);
FENNROW_CHECK_SIZE(clap_host_event_registry_t, 8);

FENNROW_CHECK_SIZE(clap_universal_plugin_id_t, 16);
FENNROW_CHECK_SIZE(clap_timestamp, 8);
FENNROW_CHECK_SIZE(clap_preset_discovery_factory_t, 24);
FENNROW_CHECK_SIZE(clap_preset_discovery_provider_descriptor_t, 40);
FENNROW_CHECK_SIZE(clap_preset_discovery_provider_t, 48);
FENNROW_CHECK_SIZE(clap_preset_discovery_indexer_t, 88);
FENNROW_CHECK_OFFSET(clap_preset_discovery_indexer_t, declare_filetype, 56);
FENNROW_CHECK_SIZE(clap_preset_discovery_metadata_receiver_t, 88);
FENNROW_CHECK_OFFSET(clap_preset_discovery_metadata_receiver_t, add_feature, 72);
FENNROW_CHECK_SIZE(clap_preset_discovery_filetype_t, 24);
FENNROW_CHECK_SIZE(clap_preset_discovery_location_t, 32);
FENNROW_CHECK_OFFSET(clap_preset_discovery_location_t, kind, 16);
FENNROW_CHECK_SIZE(clap_preset_discovery_soundpack_t, 64);

static_assert(CLAP_VERSION_MAJOR == 1 && CLAP_VERSION_MINOR == 2 && CLAP_VERSION_REVISION == 10);
static_assert(CLAP_CORE_EVENT_SPACE_ID == 0);
static_assert(CLAP_BEATTIME_FACTOR == (int64_t(1) << 31));
static_assert(CLAP_INVALID_ID == 0xFFFFFFFFu);
static_assert(CLAP_NAME_SIZE == 256 && CLAP_PATH_SIZE == 1024);

struct IntConstant {
    const char* name;
    long long actual;
    long long expected;
};

TEST(ClapInterface, NumericConstantsHaveTheirPublishedValues) {
    const IntConstant table[] = {
        {"NOTE_ON", CLAP_EVENT_NOTE_ON, 0},
        {"NOTE_OFF", CLAP_EVENT_NOTE_OFF, 1},
        {"NOTE_CHOKE", CLAP_EVENT_NOTE_CHOKE, 2},
        {"NOTE_END", CLAP_EVENT_NOTE_END, 3},
        {"NOTE_EXPRESSION", CLAP_EVENT_NOTE_EXPRESSION, 4},
        {"PARAM_VALUE", CLAP_EVENT_PARAM_VALUE, 5},
        {"PARAM_MOD", CLAP_EVENT_PARAM_MOD, 6},
        {"PARAM_GESTURE_BEGIN", CLAP_EVENT_PARAM_GESTURE_BEGIN, 7},
        {"PARAM_GESTURE_END", CLAP_EVENT_PARAM_GESTURE_END, 8},
        {"TRANSPORT", CLAP_EVENT_TRANSPORT, 9},
        {"MIDI", CLAP_EVENT_MIDI, 10},
        {"MIDI_SYSEX", CLAP_EVENT_MIDI_SYSEX, 11},
        {"MIDI2", CLAP_EVENT_MIDI2, 12},
        {"PROCESS_ERROR", CLAP_PROCESS_ERROR, 0},
        {"PROCESS_CONTINUE", CLAP_PROCESS_CONTINUE, 1},
        {"PROCESS_SLEEP", CLAP_PROCESS_SLEEP, 4},
        {"HAS_TEMPO", CLAP_TRANSPORT_HAS_TEMPO, 1},
        {"HAS_BEATS_TIMELINE", CLAP_TRANSPORT_HAS_BEATS_TIMELINE, 2},
        {"IS_PLAYING", CLAP_TRANSPORT_IS_PLAYING, 16},
        {"PARAM_IS_STEPPED", CLAP_PARAM_IS_STEPPED, 1},
        {"PARAM_IS_AUTOMATABLE", CLAP_PARAM_IS_AUTOMATABLE, 32},
        {"PARAM_IS_ENUM", CLAP_PARAM_IS_ENUM, 1 << 16},
        {"PARAM_RESCAN_VALUES", CLAP_PARAM_RESCAN_VALUES, 1},
        {"PARAM_RESCAN_ALL", CLAP_PARAM_RESCAN_ALL, 8},
        {"AUDIO_PORT_IS_MAIN", CLAP_AUDIO_PORT_IS_MAIN, 1},
        {"NOTE_DIALECT_CLAP", CLAP_NOTE_DIALECT_CLAP, 1},
        {"NOTE_DIALECT_MIDI", CLAP_NOTE_DIALECT_MIDI, 2},
        {"LOCATION_FILE", CLAP_PRESET_DISCOVERY_LOCATION_FILE, 0},
        {"LOCATION_PLUGIN", CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, 1},
        {"IS_FACTORY_CONTENT", CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, 1},
        {"IS_USER_CONTENT", CLAP_PRESET_DISCOVERY_IS_USER_CONTENT, 2},
        {"TIMESTAMP_UNKNOWN", static_cast<long long>(CLAP_TIMESTAMP_UNKNOWN), 0},
    };
    for (const auto& row : table) EXPECT_EQ(row.actual, row.expected) << row.name;
}

struct StringConstant {
    const char* actual;
    const char* expected;
};

TEST(ClapInterface, IdStringsHaveTheirPublishedSpelling) {
    const StringConstant table[] = {
        {CLAP_PLUGIN_FACTORY_ID, "clap.plugin-factory"},
        {CLAP_PRESET_DISCOVERY_FACTORY_ID, "clap.preset-discovery-factory/2"},
        {CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT, "clap.preset-discovery-factory/draft-2"},
        {CLAP_EXT_PARAMS, "clap.params"},
        {CLAP_EXT_STATE, "clap.state"},
        {CLAP_EXT_AUDIO_PORTS, "clap.audio-ports"},
        {CLAP_EXT_NOTE_PORTS, "clap.note-ports"},
        {CLAP_EXT_PRESET_LOAD, "clap.preset-load/2"},
        {CLAP_EXT_PRESET_LOAD_COMPAT, "clap.preset-load.draft/2"},
        {CLAP_EXT_EVENT_REGISTRY, "clap.event-registry"},
        {CLAP_PORT_STEREO, "stereo"},
        {CLAP_PLUGIN_FEATURE_INSTRUMENT, "instrument"},
        {CLAP_PLUGIN_FEATURE_SYNTHESIZER, "synthesizer"},
        {CLAP_PLUGIN_FEATURE_STEREO, "stereo"},
    };
    for (const auto& row : table) EXPECT_STREQ(row.actual, row.expected);
}

} // namespace
