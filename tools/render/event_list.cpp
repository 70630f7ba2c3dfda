#include "event_list.h"

#include <algorithm>
#include <cmath>

namespace fennrow {
namespace {

enum EventRank { kRankParam = 0, kRankNoteOff = 1, kRankNoteOn = 2 };

uint32_t CLAP_ABI queueSize(const clap_input_events_t* list) {
    return static_cast<uint32_t>(static_cast<const EventQueue*>(list->ctx)->events.size());
}

const clap_event_header_t* CLAP_ABI queueGet(const clap_input_events_t* list, uint32_t index) {
    const auto* queue = static_cast<const EventQueue*>(list->ctx);
    return index < queue->events.size() ? &queue->events[index].header : nullptr;
}

int64_t frameAtBeat(const TempoMap& tempo, double beat, double sampleRate) {
    return static_cast<int64_t>(std::llround(secondsAtBeat(tempo, beat) * sampleRate));
}

} // namespace

clap_event_param_value_t paramValueEvent(const ParamInfo& param, double value, uint32_t time) {
    return paramEvent(time, param.id, value, param.cookie);
}

clap_input_events_t inputEvents(const EventQueue& queue) {
    return clap_input_events_t{const_cast<EventQueue*>(&queue), queueSize, queueGet};
}

std::vector<ScheduledEvent> scheduleEvents(const std::vector<NoteSpec>& notes,
                                           const std::vector<ParamChange>& changes, const TempoMap& tempo,
                                           double sampleRate) {
    std::vector<ScheduledEvent> schedule;
    schedule.reserve(changes.size() + 2 * notes.size()); // a change each, an on and an off per note
    for (const ParamChange& change : changes) {
        schedule.push_back({frameAtBeat(tempo, change.beat, sampleRate), kRankParam,
                            paramValueEvent(*change.param, change.value, 0)});
    }
    int32_t noteId = 0;
    for (const NoteSpec& note : notes) {
        const int64_t on = frameAtBeat(tempo, note.startBeats, sampleRate);
        // Every note lasts at least one frame, so its off never precedes its on.
        const int64_t off =
            std::max(on + 1, frameAtBeat(tempo, note.startBeats + note.lengthBeats, sampleRate));
        const auto key = static_cast<int16_t>(note.key);
        schedule.push_back({on, kRankNoteOn, noteEvent(CLAP_EVENT_NOTE_ON, 0, key, note.velocity, noteId)});
        schedule.push_back({off, kRankNoteOff, noteEvent(CLAP_EVENT_NOTE_OFF, 0, key, 0.0, noteId)});
        ++noteId;
    }
    std::stable_sort(schedule.begin(), schedule.end(), [](const ScheduledEvent& a, const ScheduledEvent& b) {
        return a.frame != b.frame ? a.frame < b.frame : a.rank < b.rank;
    });
    return schedule;
}

void collectBlock(const std::vector<ScheduledEvent>& schedule, std::size_t& next, int64_t blockStart,
                  uint32_t frames, EventQueue& queue) {
    queue.events.clear();
    const int64_t blockEnd = blockStart + frames;
    while (next < schedule.size() && schedule[next].frame < blockEnd) {
        EventBody body = schedule[next].body;
        body.header.time = static_cast<uint32_t>(std::max<int64_t>(0, schedule[next].frame - blockStart));
        queue.events.push_back(body);
        ++next;
    }
}

} // namespace fennrow
