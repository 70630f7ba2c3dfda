// CLAP input events as the render host sends them: note and parameter-value
// events scheduled in frames over the whole render, and the list handed to
// the plugin for one block (times relative to the block).
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <vector>

#include "note_list.h"
#include "param_info.h"
#include "plugin_loader/clap_events.h"
#include "tempo_map.h"

namespace fennrow {

// One event of either kind the render host sends (built by noteEvent and
// paramEvent), stored by value.
union EventBody {
    clap_event_header_t header;
    clap_event_note_t note;
    clap_event_param_value_t param;

    EventBody() : param{} {}
    EventBody(const clap_event_note_t& event) : note(event) {}
    EventBody(const clap_event_param_value_t& event) : param(event) {}
};

// A new value of `param` at `time`, with the cookie the plugin gave for it.
clap_event_param_value_t paramValueEvent(const ParamInfo& param, double value, uint32_t time);

// The events of one process or flush call, in time order.
struct EventQueue {
    std::vector<EventBody> events;
};

// A list view for the plugin; valid while the queue lives and is not changed.
clap_input_events_t inputEvents(const EventQueue& queue);

// A parameter change at a beat of the render.
struct ParamChange {
    const ParamInfo* param = nullptr;
    double value = 0.0;
    double beat = 0.0;
};

struct ScheduledEvent {
    int64_t frame = 0;
    int rank = 0; // order among events of one frame
    EventBody body{};
};

// All events of a render in frame order. At one frame, parameter changes come
// first, then note offs, then note ons, so a note that ends where the next
// one starts is released before the next is struck, and a new sound setting
// applies to the note struck with it.
std::vector<ScheduledEvent> scheduleEvents(const std::vector<NoteSpec>& notes,
                                           const std::vector<ParamChange>& changes, const TempoMap& tempo,
                                           double sampleRate);

// Moves the events of frames [blockStart, blockStart + frames) into `queue`
// (cleared first), starting at index `next` of `schedule`, and advances `next`.
void collectBlock(const std::vector<ScheduledEvent>& schedule, std::size_t& next, int64_t blockStart,
                  uint32_t frames, EventQueue& queue);

} // namespace fennrow
