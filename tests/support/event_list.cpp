#include "support/event_list.h"

#include <algorithm>
#include <cstring>

namespace fennrow::test {
namespace {

uint32_t listSize(const clap_input_events_t* list) {
    const auto* self = static_cast<const InputEvents*>(list->ctx);
    ++self->sizeCalls;
    return self->size();
}

bool tryPush(const clap_output_events_t* list, const clap_event_header_t* event) {
    auto* self = static_cast<OutputEvents*>(list->ctx);
    const auto* bytes = reinterpret_cast<const unsigned char*>(event);
    self->pushed.emplace_back(bytes, bytes + event->size);
    return true;
}

} // namespace

// The getter needs the private storage, so it lives as a static member helper.
struct InputEventsAccess {
    static const clap_event_header_t* get(const clap_input_events_t* list, uint32_t index) {
        const auto* self = static_cast<const InputEvents*>(list->ctx);
        ++self->getCalls;
        if (index >= self->events_.size()) return nullptr;
        return reinterpret_cast<const clap_event_header_t*>(self->events_[index].get());
    }
};

InputEvents::InputEvents() {
    list_.ctx = this;
    list_.size = listSize;
    list_.get = InputEventsAccess::get;
}

InputEvents& InputEvents::addBytes(const void* data, std::size_t bytes) {
    const std::size_t words = (std::max<std::size_t>(bytes, sizeof(clap_event_header_t)) + 7) / 8;
    auto storage = std::make_unique<uint64_t[]>(words);
    std::memcpy(storage.get(), data, bytes);
    events_.push_back(std::move(storage));
    return *this;
}

InputEvents& InputEvents::noteOn(uint32_t time, int16_t key, double velocity, int32_t noteId) {
    return add(noteEvent(CLAP_EVENT_NOTE_ON, time, key, velocity, noteId));
}

InputEvents& InputEvents::noteOff(uint32_t time, int16_t key, int32_t noteId) {
    return add(noteEvent(CLAP_EVENT_NOTE_OFF, time, key, 0.0, noteId));
}

InputEvents& InputEvents::noteChoke(uint32_t time, int16_t key) {
    return add(noteEvent(CLAP_EVENT_NOTE_CHOKE, time, key, 0.0));
}

InputEvents& InputEvents::param(uint32_t time, clap_id id, double value) {
    return add(paramEvent(time, id, value));
}

void InputEvents::clear() { events_.clear(); }

OutputEvents::OutputEvents() {
    list_.ctx = this;
    list_.try_push = tryPush;
}

} // namespace fennrow::test
