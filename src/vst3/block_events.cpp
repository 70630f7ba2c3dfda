#include "vst3/block_events.h"

#include "vst3/param_map.h"

#include <algorithm>
#include <cmath>

namespace fennrow::adapter {

namespace {

constexpr std::uint32_t kParamRank = 0;
constexpr std::uint32_t kNoteRank = 1;
constexpr std::uint64_t kSlotMask = (std::uint64_t{1} << 31) - 1;

clap_event_header_t headerOf(std::uint32_t size, std::uint32_t time, std::uint16_t type) {
    return {size, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
}

std::uint32_t clampOffset(std::int32_t offset, std::uint32_t frames) {
    if (offset <= 0 || frames == 0) return 0;
    return std::min(static_cast<std::uint32_t>(offset), frames - 1);
}

const ParamSpec* findSpec(const std::vector<ParamSpec>& specs, clap_id id) {
    for (const ParamSpec& spec : specs) {
        if (spec.id == id) return &spec;
    }
    return nullptr;
}

void collectParamQueues(BlockEvents& events, vst3::IParameterChanges* changes,
                        const std::vector<ParamSpec>& specs, std::uint32_t frames) {
    if (changes == nullptr || changes->vtbl == nullptr) return;
    const std::int32_t queues = changes->vtbl->getParameterCount(changes);
    for (std::int32_t q = 0; q < queues; ++q) {
        vst3::IParamValueQueue* queue = changes->vtbl->getParameterData(changes, q);
        if (queue == nullptr || queue->vtbl == nullptr) continue;
        const ParamSpec* spec = findSpec(specs, queue->vtbl->getParameterId(queue));
        if (spec == nullptr) continue; // the program list and unknown ids are not plugin parameters
        const std::int32_t points = queue->vtbl->getPointCount(queue);
        for (std::int32_t p = 0; p < points; ++p) {
            std::int32_t offset = 0;
            vst3::ParamValue value = 0.0;
            if (queue->vtbl->getPoint(queue, p, &offset, &value) != vst3::kResultOk) continue;
            // A NaN goes through as NaN: the plugin answers it with the default.
            const double normalized = std::isnan(value) ? value : std::clamp(value, 0.0, 1.0);
            if (!events.addParam(clampOffset(offset, frames), spec->id, toPlain(*spec, normalized))) return;
        }
    }
}

void collectNotes(BlockEvents& events, vst3::IEventList* list, std::uint32_t frames) {
    if (list == nullptr || list->vtbl == nullptr) return;
    const std::int32_t count = list->vtbl->getEventCount(list);
    for (std::int32_t index = 0; index < count; ++index) {
        vst3::Event event{};
        if (list->vtbl->getEvent(list, index, &event) != vst3::kResultOk || event.busIndex != 0) continue;
        const std::uint32_t time = clampOffset(event.sampleOffset, frames);
        bool added = true;
        if (event.type == vst3::kNoteOnEvent && event.noteOn.velocity > 0.0f) {
            added = events.addNoteOn(time, event.noteOn);
        } else if (event.type == vst3::kNoteOnEvent) {
            // A note on without velocity ends the note, as in MIDI, rather
            // than starting one nobody hears.
            added = events.addNoteOff(time, {event.noteOn.channel, event.noteOn.pitch, 0.0f,
                                             event.noteOn.noteId, event.noteOn.tuning});
        }
        if (event.type == vst3::kNoteOffEvent) added = events.addNoteOff(time, event.noteOff);
        if (!added) return;
    }
}

} // namespace

BlockEvents::BlockEvents() {
    list_.ctx = this;
    list_.size = listSize;
    list_.get = listGet;
}

void BlockEvents::reserve(std::uint32_t capacity) {
    slots_.assign(capacity, ClapEventSlot{});
    order_.assign(capacity, 0);
    clear();
}

void BlockEvents::clear() {
    count_ = 0;
    windowBegin_ = 0;
    windowEnd_ = 0;
}

bool BlockEvents::add(std::uint32_t time, std::uint32_t rank, const ClapEventSlot& slot) {
    if (count_ >= slots_.size()) return false;
    slots_[count_] = slot;
    order_[count_] = (std::uint64_t{time} << 32) | (std::uint64_t{rank} << 31) | count_;
    ++count_;
    return true;
}

bool BlockEvents::addParam(std::uint32_t time, clap_id id, double plainValue) {
    ClapEventSlot slot{};
    slot.param.header = headerOf(sizeof(clap_event_param_value_t), time, CLAP_EVENT_PARAM_VALUE);
    slot.param.param_id = id;
    slot.param.cookie = nullptr;
    slot.param.note_id = -1;
    slot.param.port_index = -1;
    slot.param.channel = -1;
    slot.param.key = -1;
    slot.param.value = plainValue;
    return add(time, kParamRank, slot);
}

bool BlockEvents::addNoteOn(std::uint32_t time, const vst3::NoteOnEvent& note) {
    return addNote(time, CLAP_EVENT_NOTE_ON, note.noteId, note.channel, note.pitch, note.velocity);
}

bool BlockEvents::addNoteOff(std::uint32_t time, const vst3::NoteOffEvent& note) {
    return addNote(time, CLAP_EVENT_NOTE_OFF, note.noteId, note.channel, note.pitch, note.velocity);
}

bool BlockEvents::addNote(std::uint32_t time, std::uint16_t type, std::int32_t noteId, std::int16_t channel,
                          std::int16_t key, float velocity) {
    ClapEventSlot slot{};
    slot.note.header = headerOf(sizeof(clap_event_note_t), time, type);
    slot.note.note_id = noteId;
    slot.note.port_index = 0;
    slot.note.channel = channel;
    slot.note.key = key;
    slot.note.velocity = velocity;
    return add(time, kNoteRank, slot);
}

void BlockEvents::sort() { std::sort(order_.begin(), order_.begin() + count_); }

const clap_input_events_t* BlockEvents::window(std::uint32_t first, std::uint32_t end) {
    const auto timeOf = [this](std::uint32_t position) {
        return static_cast<std::uint32_t>(order_[position] >> 32);
    };
    std::uint32_t begin = windowEnd_;
    while (begin < count_ && timeOf(begin) < first) ++begin;
    std::uint32_t stop = begin;
    while (stop < count_ && timeOf(stop) < end) {
        slots_[order_[stop] & kSlotMask].header.time = timeOf(stop) - first;
        ++stop;
    }
    windowBegin_ = begin;
    windowEnd_ = stop;
    return &list_;
}

std::uint32_t BlockEvents::listSize(const clap_input_events_t* list) {
    const auto* self = static_cast<const BlockEvents*>(list->ctx);
    return self->windowEnd_ - self->windowBegin_;
}

const clap_event_header_t* BlockEvents::listGet(const clap_input_events_t* list, std::uint32_t index) {
    const auto* self = static_cast<const BlockEvents*>(list->ctx);
    if (index >= self->windowEnd_ - self->windowBegin_) return nullptr;
    return &self->slots_[self->order_[self->windowBegin_ + index] & kSlotMask].header;
}

void collectHostEvents(BlockEvents& events, const vst3::ProcessData& data,
                       const std::vector<ParamSpec>& specs, std::uint32_t frames) {
    collectParamQueues(events, data.inputParameterChanges, specs, frames);
    collectNotes(events, data.inputEvents, frames);
}

clap_event_transport_t transportOf(const vst3::ProcessContext& context, double sampleRate,
                                   std::uint32_t offset) {
    constexpr double kDefaultTempo = 120.0;
    constexpr double kSecondsPerMinute = 60.0;
    clap_event_transport_t transport{};
    transport.header = headerOf(sizeof(clap_event_transport_t), 0, CLAP_EVENT_TRANSPORT);
    // A value no host would send (NaN, a negative tempo, a position beyond the
    // fixed-point range) counts as not given.
    constexpr double kMaxBeats = 4294967296.0; // 2^63 / CLAP_BEATTIME_FACTOR
    const bool hasTempo =
        (context.state & vst3::kTempoValid) != 0 && std::isfinite(context.tempo) && context.tempo > 0.0;
    transport.tempo = hasTempo ? context.tempo : kDefaultTempo;
    if (hasTempo) transport.flags |= CLAP_TRANSPORT_HAS_TEMPO;
    if ((context.state & vst3::kPlaying) != 0) transport.flags |= CLAP_TRANSPORT_IS_PLAYING;
    const double beats =
        context.projectTimeMusic + offset * transport.tempo / (kSecondsPerMinute * sampleRate);
    if ((context.state & vst3::kProjectTimeMusicValid) != 0 && std::fabs(beats) < kMaxBeats) {
        transport.flags |= CLAP_TRANSPORT_HAS_BEATS_TIMELINE;
        transport.song_pos_beats = static_cast<clap_beattime>(std::llround(beats * CLAP_BEATTIME_FACTOR));
        if ((context.state & vst3::kBarPositionValid) != 0 &&
            std::fabs(context.barPositionMusic) < kMaxBeats) {
            transport.bar_start =
                static_cast<clap_beattime>(std::llround(context.barPositionMusic * CLAP_BEATTIME_FACTOR));
        }
    }
    if ((context.state & vst3::kTimeSigValid) != 0 && context.timeSigNumerator > 0 &&
        context.timeSigNumerator <= UINT16_MAX && context.timeSigDenominator > 0 &&
        context.timeSigDenominator <= UINT16_MAX) {
        transport.flags |= CLAP_TRANSPORT_HAS_TIME_SIGNATURE;
        transport.tsig_num = static_cast<uint16_t>(context.timeSigNumerator);
        transport.tsig_denom = static_cast<uint16_t>(context.timeSigDenominator);
    }
    return transport;
}

} // namespace fennrow::adapter
