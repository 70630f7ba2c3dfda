// The event list of a process call: notes and the other events of the
// interface, each at a sample offset of the block.
#pragma once

#include <vst3/base.h>

#include <cstddef>

namespace vst3 {

struct NoteOnEvent {
    std::int16_t channel;
    std::int16_t pitch;
    float tuning;
    float velocity;
    std::int32_t length;
    std::int32_t noteId;
};

struct NoteOffEvent {
    std::int16_t channel;
    std::int16_t pitch;
    float velocity;
    std::int32_t noteId;
    float tuning;
};

struct DataEvent {
    std::uint32_t size;
    std::uint32_t type;
    const std::uint8_t* bytes;
};

struct PolyPressureEvent {
    std::int16_t channel;
    std::int16_t pitch;
    float pressure;
    std::int32_t noteId;
};

struct NoteExpressionValueEvent {
    std::uint32_t typeId;
    std::int32_t noteId;
    double value;
};

struct NoteExpressionTextEvent {
    std::uint32_t typeId;
    std::int32_t noteId;
    std::uint32_t textLen;
    const char16* text;
};

struct ChordEvent {
    std::int16_t root;
    std::int16_t bassNote;
    std::int16_t mask;
    std::uint16_t textLen;
    const char16* text;
};

struct ScaleEvent {
    std::int16_t root;
    std::int16_t mask;
    std::uint16_t textLen;
    const char16* text;
};

struct LegacyMIDICCOutEvent {
    std::uint8_t controlNumber;
    char channel;
    char value;
    char value2;
};

enum EventTypes : std::uint16_t {
    kNoteOnEvent = 0,
    kNoteOffEvent = 1,
    kDataEvent = 2,
    kPolyPressureEvent = 3,
    kNoteExpressionValueEvent = 4,
    kNoteExpressionTextEvent = 5,
    kChordEvent = 6,
    kScaleEvent = 7,
    kLegacyMIDICCOutEvent = 65535,
};

struct Event {
    std::int32_t busIndex;
    std::int32_t sampleOffset;
    TQuarterNotes ppqPosition;
    std::uint16_t flags;
    std::uint16_t type;
    union {
        NoteOnEvent noteOn;
        NoteOffEvent noteOff;
        DataEvent data;
        PolyPressureEvent polyPressure;
        NoteExpressionValueEvent noteExpressionValue;
        NoteExpressionTextEvent noteExpressionText;
        ChordEvent chord;
        ScaleEvent scale;
        LegacyMIDICCOutEvent midiCCOut;
    };
};

struct IEventListVtbl {
    FUnknownVtbl unknown;
    std::int32_t(VST3_API* getEventCount)(void* self);
    tresult(VST3_API* getEvent)(void* self, std::int32_t index, Event* event);
    tresult(VST3_API* addEvent)(void* self, Event* event);
};

struct IEventList {
    const IEventListVtbl* vtbl;
};

inline constexpr Uid kIEventListIid = makeUid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);

static_assert(sizeof(NoteOnEvent) == 20);
static_assert(sizeof(NoteOffEvent) == 16);
static_assert(sizeof(NoteExpressionTextEvent) == 24);
static_assert(offsetof(Event, type) == 18);
static_assert(offsetof(Event, noteOn) == 24);
static_assert(sizeof(Event) == 48);
static_assert(sizeof(IEventListVtbl) == 6 * sizeof(void*));

} // namespace vst3
