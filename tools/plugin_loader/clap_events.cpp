#include "plugin_loader/clap_events.h"

namespace fennrow {
namespace {

uint32_t CLAP_ABI pointersSize(const clap_input_events_t* list) {
    return static_cast<uint32_t>(static_cast<const EventPointers*>(list->ctx)->events.size());
}

const clap_event_header_t* CLAP_ABI pointersGet(const clap_input_events_t* list, uint32_t index) {
    const auto& events = static_cast<const EventPointers*>(list->ctx)->events;
    return index < events.size() ? events[index] : nullptr;
}

bool CLAP_ABI discard(const clap_output_events_t*, const clap_event_header_t*) { return true; }

} // namespace

clap_event_header_t coreEventHeader(uint32_t size, uint32_t time, uint16_t type) {
    return {size, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
}

clap_event_note_t noteEvent(uint16_t type, uint32_t time, int16_t key, double velocity, int32_t noteId) {
    clap_event_note_t event{};
    event.header = coreEventHeader(sizeof event, time, type);
    event.note_id = noteId;
    event.port_index = 0;
    event.channel = 0;
    event.key = key;
    event.velocity = velocity;
    return event;
}

clap_event_param_value_t paramEvent(uint32_t time, clap_id id, double value, void* cookie) {
    clap_event_param_value_t event{};
    event.header = coreEventHeader(sizeof event, time, CLAP_EVENT_PARAM_VALUE);
    event.param_id = id;
    event.cookie = cookie;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    return event;
}

clap_input_events_t EventPointers::list() const {
    return {const_cast<EventPointers*>(this), pointersSize, pointersGet};
}

const clap_output_events_t kDiscardedOutput = {nullptr, discard};

} // namespace fennrow
