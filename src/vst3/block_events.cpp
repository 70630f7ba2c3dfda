#include "vst3/block_events.h"

#include "vst3/param_map.h"

#include <algorithm>
#include <cmath>

namespace fennrow::vst3 {

namespace {

clap_event_header_t headerOf(std::uint32_t size, std::uint32_t time, std::uint16_t type) {
    return {size, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
}

const ControllerParam* findSpec(const std::vector<ControllerParam>& specs, clap_id id) {
    for (const ControllerParam& spec : specs) {
        if (spec.id == id) return &spec;
    }
    return nullptr;
}

ClapEventSlot noteEvent(std::uint16_t type, std::int32_t noteId, std::int16_t channel, std::int16_t key,
                        float velocity) {
    ClapEventSlot slot{};
    slot.note.header = headerOf(sizeof(clap_event_note_t), 0, type);
    slot.note.note_id = noteId;
    slot.note.port_index = 0;
    slot.note.channel = channel;
    slot.note.key = key;
    slot.note.velocity = velocity;
    return slot;
}

// A host note as a CLAP note; false for events that are no notes or belong
// to another bus. A note on without velocity ends the note, as in MIDI,
// rather than starting one nobody hears.
bool clapNote(const ::vst3::Event& event, ClapEventSlot& slot) {
    if (event.busIndex != 0) return false;
    if (event.type == ::vst3::kNoteOnEvent) {
        const ::vst3::NoteOnEvent& on = event.noteOn;
        const bool silent = !(on.velocity > 0.0f);
        slot = noteEvent(silent ? CLAP_EVENT_NOTE_OFF : CLAP_EVENT_NOTE_ON, on.noteId, on.channel, on.pitch,
                         silent ? 0.0f : on.velocity);
        return true;
    }
    if (event.type == ::vst3::kNoteOffEvent) {
        const ::vst3::NoteOffEvent& off = event.noteOff;
        slot = noteEvent(CLAP_EVENT_NOTE_OFF, off.noteId, off.channel, off.pitch, off.velocity);
        return true;
    }
    return false;
}

} // namespace

ClapEventSlot paramEvent(clap_id id, double plainValue) {
    ClapEventSlot slot{};
    slot.param.header = headerOf(sizeof(clap_event_param_value_t), 0, CLAP_EVENT_PARAM_VALUE);
    slot.param.param_id = id;
    slot.param.cookie = nullptr;
    slot.param.note_id = -1;
    slot.param.port_index = -1;
    slot.param.channel = -1;
    slot.param.key = -1;
    slot.param.value = plainValue;
    return slot;
}

BlockEvents::BlockEvents() {
    list_.ctx = this;
    list_.size = listSize;
    list_.get = listGet;
}

void BlockEvents::reserve(std::uint32_t capacity, std::size_t paramCount) {
    slots_.assign(std::max<std::uint32_t>(capacity, 1), ClapEventSlot{});
    times_.assign(slots_.size(), 0);
    params_.assign(paramCount, ParamCursor{});
    paramCount_ = 0;
    notes_ = NoteCursor{};
    stored_ = 0;
    listed_ = 0;
}

std::uint32_t BlockEvents::clampOffset(std::int32_t offset, std::uint32_t floor) const {
    std::uint32_t time = 0;
    if (offset > 0 && frames_ > 0) time = std::min(static_cast<std::uint32_t>(offset), frames_ - 1);
    return std::max(time, floor);
}

// Moves to the next readable point, at or after `floor`.
void BlockEvents::advance(ParamCursor& cursor, std::uint32_t floor) {
    for (; cursor.index < cursor.count; ++cursor.index) {
        std::int32_t offset = 0;
        ::vst3::ParamValue value = 0.0;
        if (cursor.queue->vtbl->getPoint(cursor.queue, cursor.index, &offset, &value) != ::vst3::kResultOk)
            continue;
        // A NaN goes through as NaN: the plugin answers it with the default.
        const double normalized = std::isnan(value) ? value : std::clamp(value, 0.0, 1.0);
        cursor.time = clampOffset(offset, floor);
        cursor.value = toPlain(*cursor.spec, normalized);
        return;
    }
}

void BlockEvents::advance(NoteCursor& cursor, std::uint32_t floor) {
    for (; cursor.index < cursor.count; ++cursor.index) {
        ::vst3::Event event{};
        if (cursor.list->vtbl->getEvent(cursor.list, cursor.index, &event) != ::vst3::kResultOk) continue;
        if (!clapNote(event, cursor.event)) continue;
        cursor.time = clampOffset(event.sampleOffset, floor);
        return;
    }
}

void BlockEvents::begin(const ::vst3::ProcessData& data, const std::vector<ControllerParam>& specs,
                        std::uint32_t frames) {
    frames_ = frames;
    stored_ = 0;
    listed_ = 0;
    paramCount_ = 0;
    ::vst3::IParameterChanges* changes = data.inputParameterChanges;
    const std::int32_t queues =
        changes != nullptr && changes->vtbl != nullptr ? changes->vtbl->getParameterCount(changes) : 0;
    for (std::int32_t q = 0; q < queues; ++q) {
        ::vst3::IParamValueQueue* queue = changes->vtbl->getParameterData(changes, q);
        if (queue == nullptr || queue->vtbl == nullptr) continue;
        // The program list and unknown ids are not plugin parameters.
        const ControllerParam* spec = findSpec(specs, queue->vtbl->getParameterId(queue));
        if (spec == nullptr) continue;
        const auto seen = params_.begin() + static_cast<std::ptrdiff_t>(paramCount_);
        if (std::any_of(params_.begin(), seen, [spec](const ParamCursor& c) { return c.spec == spec; }))
            continue;
        if (paramCount_ == params_.size()) break;
        ParamCursor& cursor = params_[paramCount_];
        cursor = {queue, spec, 0, std::max(queue->vtbl->getPointCount(queue), 0), 0, 0.0};
        advance(cursor, 0);
        if (cursor.index < cursor.count) ++paramCount_;
    }
    ::vst3::IEventList* list = data.inputEvents;
    notes_ = NoteCursor{};
    if (list != nullptr && list->vtbl != nullptr) {
        notes_.list = list;
        notes_.count = std::max(list->vtbl->getEventCount(list), 0);
        advance(notes_, 0);
    }
}

// The earliest waiting event; at one time parameter values first, in the
// host's order, then notes.
bool BlockEvents::peek(Next& next) const {
    bool found = false;
    for (std::size_t index = 0; index < paramCount_; ++index) {
        const ParamCursor& cursor = params_[index];
        if (cursor.index >= cursor.count || (found && cursor.time >= next.time)) continue;
        next = {cursor.time, static_cast<int>(index)};
        found = true;
    }
    if (notes_.list != nullptr && notes_.index < notes_.count && (!found || notes_.time < next.time)) {
        next = {notes_.time, kNotes};
        found = true;
    }
    return found;
}

void BlockEvents::take(const Next& next) {
    times_[stored_] = next.time;
    if (next.source == kNotes) {
        slots_[stored_] = notes_.event;
        ++notes_.index;
        advance(notes_, next.time);
    } else {
        ParamCursor& cursor = params_[static_cast<std::size_t>(next.source)];
        slots_[stored_] = paramEvent(cursor.spec->id, cursor.value);
        ++cursor.index;
        advance(cursor, next.time);
    }
    ++stored_;
}

std::uint32_t BlockEvents::fill(std::uint32_t first, std::uint32_t end) {
    // What the last piece handed out goes; what it kept comes first.
    std::copy(slots_.begin() + listed_, slots_.begin() + stored_, slots_.begin());
    std::copy(times_.begin() + listed_, times_.begin() + stored_, times_.begin());
    stored_ -= listed_;
    listed_ = 0;
    // The block's last piece takes every event: with no frames, all fall at 0.
    const bool lastPiece = end >= frames_;
    Next next{};
    bool waiting = peek(next);
    while (waiting && stored_ < slots_.size() && (lastPiece || next.time < end)) {
        take(next);
        waiting = peek(next);
    }
    std::uint32_t cut = end;
    if (waiting && (lastPiece || next.time < end)) cut = std::max(times_[stored_ - 1], first);
    listed_ = stored_;
    if (cut > first) {
        while (listed_ > 0 && times_[listed_ - 1] >= cut) --listed_;
    }
    for (std::uint32_t index = 0; index < listed_; ++index) slots_[index].header.time = times_[index] - first;
    return cut;
}

bool BlockEvents::pending() const {
    Next next{};
    return stored_ > listed_ || peek(next);
}

std::uint32_t BlockEvents::listSize(const clap_input_events_t* list) {
    return static_cast<const BlockEvents*>(list->ctx)->listed_;
}

const clap_event_header_t* BlockEvents::listGet(const clap_input_events_t* list, std::uint32_t index) {
    const auto* self = static_cast<const BlockEvents*>(list->ctx);
    return index < self->listed_ ? &self->slots_[index].header : nullptr;
}

clap_event_transport_t transportOf(const ::vst3::ProcessContext& context, double sampleRate,
                                   std::uint32_t offset) {
    constexpr double kDefaultTempo = 120.0;
    constexpr double kSecondsPerMinute = 60.0;
    clap_event_transport_t transport{};
    transport.header = headerOf(sizeof(clap_event_transport_t), 0, CLAP_EVENT_TRANSPORT);
    // A value no host would send (NaN, a negative tempo, a position beyond the
    // fixed-point range) counts as not given.
    constexpr double kMaxBeats = 4294967296.0; // 2^63 / CLAP_BEATTIME_FACTOR
    const bool hasTempo =
        (context.state & ::vst3::kTempoValid) != 0 && std::isfinite(context.tempo) && context.tempo > 0.0;
    transport.tempo = hasTempo ? context.tempo : kDefaultTempo;
    if (hasTempo) transport.flags |= CLAP_TRANSPORT_HAS_TEMPO;
    if ((context.state & ::vst3::kPlaying) != 0) transport.flags |= CLAP_TRANSPORT_IS_PLAYING;
    const double beats =
        context.projectTimeMusic + offset * transport.tempo / (kSecondsPerMinute * sampleRate);
    if ((context.state & ::vst3::kProjectTimeMusicValid) != 0 && std::fabs(beats) < kMaxBeats) {
        transport.flags |= CLAP_TRANSPORT_HAS_BEATS_TIMELINE;
        transport.song_pos_beats = static_cast<clap_beattime>(std::llround(beats * CLAP_BEATTIME_FACTOR));
        if ((context.state & ::vst3::kBarPositionValid) != 0 &&
            std::fabs(context.barPositionMusic) < kMaxBeats) {
            transport.bar_start =
                static_cast<clap_beattime>(std::llround(context.barPositionMusic * CLAP_BEATTIME_FACTOR));
        }
    }
    if ((context.state & ::vst3::kTimeSigValid) != 0 && context.timeSigNumerator > 0 &&
        context.timeSigNumerator <= UINT16_MAX && context.timeSigDenominator > 0 &&
        context.timeSigDenominator <= UINT16_MAX) {
        transport.flags |= CLAP_TRANSPORT_HAS_TIME_SIGNATURE;
        transport.tsig_num = static_cast<uint16_t>(context.timeSigNumerator);
        transport.tsig_denom = static_cast<uint16_t>(context.timeSigDenominator);
    }
    return transport;
}

} // namespace fennrow::vst3
