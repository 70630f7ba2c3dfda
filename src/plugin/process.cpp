// The audio callback: pick up a new sound, work out the block's timing, then
// alternate between handling the events that fall due and rendering up to the
// next event time.
#include "plugin/event_dispatch.h"
#include "plugin/plugin_callbacks.h"
#include "plugin/plugin_instance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace fennrow::plugin {
namespace {

constexpr double kBeatsPerBeatTimeUnit = 1.0 / static_cast<double>(CLAP_BEATTIME_FACTOR);
constexpr float kDefaultTempo = 120.0f;
constexpr double kSecondsPerMinute = 60.0;

// Frames of the stack buffer that takes a discarded right channel when the
// scratch array has no room at all.
constexpr uint32_t kSpareFrames = 64;

struct BlockClock {
    double beatAtStart = 0.0;
    float tempo = kDefaultTempo;
    bool playing = false;
    double beatsPerFrame = 0.0;
};

BlockClock blockClock(const clap_event_transport_t* transport, float sampleRate) {
    BlockClock clock;
    if (transport == nullptr) return clock;
    clock.playing = (transport->flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    // A tempo that is not a finite float is host garbage; keep the default
    // rather than run the modulation on NaN.
    if ((transport->flags & CLAP_TRANSPORT_HAS_TEMPO) && std::isfinite(transport->tempo) &&
        std::fabs(transport->tempo) <= std::numeric_limits<float>::max()) {
        clock.tempo = static_cast<float>(transport->tempo);
    }
    if (transport->flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) {
        clock.beatAtStart = static_cast<double>(transport->song_pos_beats) * kBeatsPerBeatTimeUnit;
    } else {
        // Without a timeline there is nothing to lock to.
        clock.playing = false;
    }
    clock.beatsPerFrame =
        static_cast<double>(clock.tempo) / (static_cast<double>(sampleRate) * kSecondsPerMinute);
    return clock;
}

engine::BlockTiming timingAt(const BlockClock& clock, uint32_t frame) {
    return engine::BlockTiming{clock.beatAtStart + static_cast<double>(frame) * clock.beatsPerFrame,
                               clock.tempo, clock.playing};
}

struct Outputs {
    float* left = nullptr;  // null: nothing can be rendered
    float* right = nullptr; // null: a mono output, the right channel is discarded
};

// Picks the rendered channels and silences every other output channel, so
// that each output frame is written whatever the host hands us.
Outputs prepareOutputs(const clap_process_t& process) {
    Outputs outputs;
    if (process.audio_outputs == nullptr) return outputs;
    for (uint32_t b = 0; b < process.audio_outputs_count; ++b) {
        clap_audio_buffer_t& buffer = process.audio_outputs[b];
        if (buffer.data32 == nullptr) continue;
        buffer.constant_mask = 0;
        for (uint32_t c = 0; c < buffer.channel_count; ++c) {
            float* channel = buffer.data32[c];
            if (channel == nullptr) continue;
            if (b == 0 && c == 0) {
                outputs.left = channel;
            } else if (b == 0 && c == 1 && outputs.left != nullptr) {
                outputs.right = channel;
            } else if (process.frames_count > 0) {
                std::memset(channel, 0, sizeof(float) * process.frames_count);
            }
        }
    }
    return outputs;
}

void renderSlice(PluginInstance& instance, const BlockClock& clock, const Outputs& outputs, uint32_t first,
                 uint32_t end) {
    if (outputs.left == nullptr || end <= first) return;
    const engine::SoundSnapshot& sound = instance.liveSound;
    if (outputs.right != nullptr) {
        engineRender(instance.engine, sound.params, sound.curves, timingAt(clock, first),
                     outputs.left + first, outputs.right + first, end - first);
        return;
    }
    // Mono: the right channel goes to the scratch array. A host may send more
    // frames than it announced at activate, so render in pieces that fit.
    float spare[kSpareFrames];
    float* discard = instance.scratch.empty() ? spare : instance.scratch.data();
    const uint32_t room = instance.scratch.empty()
                              ? kSpareFrames
                              : static_cast<uint32_t>(std::min<size_t>(instance.scratch.size(), UINT32_MAX));
    for (uint32_t frame = first; frame < end;) {
        const uint32_t count = std::min(room, end - frame);
        engineRender(instance.engine, sound.params, sound.curves, timingAt(clock, frame),
                     outputs.left + frame, discard, count);
        frame += count;
    }
}

struct EventList {
    const clap_input_events_t* list = nullptr;
    uint32_t count = 0;

    const clap_event_header_t* at(uint32_t index) const { return list->get(list, index); }
};

EventList eventList(const clap_input_events_t* in) {
    if (in == nullptr || in->size == nullptr || in->get == nullptr) return {};
    return {in, in->size(in)};
}

} // namespace

clap_process_status pluginProcess(const clap_plugin_t* plugin, const clap_process_t* process) {
    PluginInstance* instance = instanceOf(plugin);
    if (instance == nullptr || process == nullptr) return CLAP_PROCESS_CONTINUE;

    pickUpSnapshot(instance->exchange, instance->liveSound);
    const BlockClock clock = blockClock(process->transport, instance->sampleRate);
    const Outputs outputs = prepareOutputs(*process);
    const EventList events = eventList(process->in_events);
    const uint32_t frames = process->frames_count;

    uint32_t next = 0;
    uint32_t frame = 0;
    while (frame < frames) {
        // Events due now (or late) all go before this slice.
        for (; next < events.count; ++next) {
            const clap_event_header_t* event = events.at(next);
            if (event != nullptr && event->time > frame) break;
            dispatchEvent(*instance, event);
        }
        uint32_t end = frames;
        if (next < events.count) {
            const clap_event_header_t* event = events.at(next);
            if (event != nullptr && event->time < frames) end = event->time;
        }
        renderSlice(*instance, clock, outputs, frame, end);
        frame = end;
    }
    // Events at or past the block's end still count, after the audio.
    for (; next < events.count; ++next) dispatchEvent(*instance, events.at(next));

    freeAllNoteExtras(instance->noteExtras);
    return CLAP_PROCESS_CONTINUE;
}

} // namespace fennrow::plugin
