// IAudioProcessor: processing setup, bus arrangements and the process call
// with its data and musical context.
#pragma once

#include <vst3/base.h>
#include <vst3/events.h>
#include <vst3/parameter_changes.h>

#include <cstddef>

namespace vst3 {

enum SymbolicSampleSizes : std::int32_t { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : std::int32_t { kRealtime = 0, kPrefetch = 1, kOffline = 2 };

inline constexpr SpeakerArrangement kSpeakerL = 1 << 0;
inline constexpr SpeakerArrangement kSpeakerR = 1 << 1;
inline constexpr SpeakerArrangement kSpeakerM = 1 << 19;
inline constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;
inline constexpr SpeakerArrangement kMono = kSpeakerM;

inline constexpr std::uint32_t kNoTail = 0;

struct ProcessSetup {
    std::int32_t processMode;
    std::int32_t symbolicSampleSize;
    std::int32_t maxSamplesPerBlock;
    SampleRate sampleRate;
};

struct AudioBusBuffers {
    std::int32_t numChannels;
    std::uint64_t silenceFlags;
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};

struct Chord {
    std::uint8_t keyNote;
    std::uint8_t rootNote;
    std::int16_t chordMask;
};

struct FrameRate {
    std::uint32_t framesPerSecond;
    std::uint32_t flags;
};

enum ProcessContextFlags : std::uint32_t {
    kPlaying = 1 << 1,
    kCycleActive = 1 << 2,
    kRecording = 1 << 3,
    kSystemTimeValid = 1 << 8,
    kProjectTimeMusicValid = 1 << 9,
    kTempoValid = 1 << 10,
    kBarPositionValid = 1 << 11,
    kCycleValid = 1 << 12,
    kTimeSigValid = 1 << 13,
    kSmpteValid = 1 << 14,
    kClockValid = 1 << 15,
    kContTimeValid = 1 << 17,
    kChordValid = 1 << 18,
};

struct ProcessContext {
    std::uint32_t state;
    double sampleRate;
    TSamples projectTimeSamples;
    std::int64_t systemTime;
    TSamples continousTimeSamples;
    TQuarterNotes projectTimeMusic;
    TQuarterNotes barPositionMusic;
    TQuarterNotes cycleStartMusic;
    TQuarterNotes cycleEndMusic;
    double tempo;
    std::int32_t timeSigNumerator;
    std::int32_t timeSigDenominator;
    Chord chord;
    std::int32_t smpteOffsetSubframes;
    FrameRate frameRate;
    std::int32_t samplesToNextClock;
};

struct ProcessData {
    std::int32_t processMode;
    std::int32_t symbolicSampleSize;
    std::int32_t numSamples;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

struct IAudioProcessorVtbl {
    FUnknownVtbl unknown;
    tresult(VST3_API* setBusArrangements)(void* self, SpeakerArrangement* inputs, std::int32_t numIns,
                                          SpeakerArrangement* outputs, std::int32_t numOuts);
    tresult(VST3_API* getBusArrangement)(void* self, BusDirection dir, std::int32_t index, SpeakerArrangement* arr);
    tresult(VST3_API* canProcessSampleSize)(void* self, std::int32_t symbolicSampleSize);
    std::uint32_t(VST3_API* getLatencySamples)(void* self);
    tresult(VST3_API* setupProcessing)(void* self, ProcessSetup* setup);
    tresult(VST3_API* setProcessing)(void* self, TBool state);
    tresult(VST3_API* process)(void* self, ProcessData* data);
    std::uint32_t(VST3_API* getTailSamples)(void* self);
};

// Which parts of the process context the processor reads.
enum ProcessContextRequirementFlags : std::uint32_t {
    kNeedSystemTime = 1 << 0,
    kNeedContinousTimeSamples = 1 << 1,
    kNeedProjectTimeMusic = 1 << 2,
    kNeedBarPositionMusic = 1 << 3,
    kNeedCycleMusic = 1 << 4,
    kNeedSamplesToNextClock = 1 << 5,
    kNeedTempo = 1 << 6,
    kNeedTimeSignature = 1 << 7,
    kNeedChord = 1 << 8,
    kNeedFrameRate = 1 << 9,
    kNeedTransportState = 1 << 10,
};

struct IProcessContextRequirementsVtbl {
    FUnknownVtbl unknown;
    std::uint32_t(VST3_API* getProcessContextRequirements)(void* self);
};

inline constexpr Uid kIAudioProcessorIid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
inline constexpr Uid kIProcessContextRequirementsIid = makeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);

static_assert(sizeof(ProcessSetup) == 24);
static_assert(sizeof(AudioBusBuffers) == 24);
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(sizeof(ProcessContext) == 112);
static_assert(offsetof(ProcessContext, projectTimeMusic) == 40);
static_assert(offsetof(ProcessContext, tempo) == 72);
static_assert(offsetof(ProcessContext, chord) == 88);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 104);
static_assert(sizeof(ProcessData) == 80);
static_assert(offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, processContext) == 72);
static_assert(sizeof(IAudioProcessorVtbl) == 11 * sizeof(void*));
static_assert(sizeof(IProcessContextRequirementsVtbl) == 4 * sizeof(void*));

} // namespace vst3
