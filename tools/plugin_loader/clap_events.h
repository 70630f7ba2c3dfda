// The events a host here hands the plugin, built one way: notes on the first
// note port and channel, parameter values for every note, port, channel and
// key (CLAP's -1), all in the core event space. And the two lists around
// them: an input list over events the caller keeps, an output list that
// drops what the plugin sends.
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <vector>

namespace fennrow {

clap_event_header_t coreEventHeader(uint32_t size, uint32_t time, uint16_t type);

// CLAP_EVENT_NOTE_ON, _OFF or _CHOKE at `time` frames into the block.
clap_event_note_t noteEvent(uint16_t type, uint32_t time, int16_t key, double velocity = 1.0,
                            int32_t noteId = -1);

// A parameter's new plain value at `time`; the cookie is the one the plugin
// gave with the parameter's info, or null.
clap_event_param_value_t paramEvent(uint32_t time, clap_id id, double value, void* cookie = nullptr);

// An input list over events that live elsewhere, in the order of `events`.
// The list points back here: valid while this lives and does not move.
struct EventPointers {
    std::vector<const clap_event_header_t*> events;

    clap_input_events_t list() const;
};

// An output list that accepts every event and keeps none.
extern const clap_output_events_t kDiscardedOutput;

} // namespace fennrow
