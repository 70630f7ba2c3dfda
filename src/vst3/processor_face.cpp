// IAudioProcessor: the process call becomes CLAP process calls, with the
// host's parameter points and notes as CLAP events at the same offsets and
// its process context as the CLAP transport.
#include "vst3/adapter.h"

#include <algorithm>
#include <cmath>

namespace fennrow::vst3 {

namespace {

using namespace ::vst3;

constexpr double kLowestRate = 1000.0;
constexpr double kHighestRate = 768000.0;

bool pushNothing(const clap_output_events_t*, const clap_event_header_t*) { return false; }
const clap_output_events_t kNoOutput = {nullptr, pushNothing};

SpeakerArrangement arrangementOf(std::uint32_t channels) {
    return channels == 1 ? kMono : channels == 2 ? kStereo : 0;
}

// Only what the plugin has: no inputs, its one output as it is. Anything else
// is refused, and getBusArrangement then suggests the plugin's own.
tresult VST3_API setBusArrangements(void* self, SpeakerArrangement*, std::int32_t numIns,
                                    SpeakerArrangement* outputs, std::int32_t numOuts) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || adapter->active.load()) return kResultFalse;
    checkMainThread(adapter->threads, "setBusArrangements");
    if (numIns != 0) return kResultFalse;
    const std::int32_t wanted = adapter->hasOutput ? 1 : 0;
    if (numOuts != wanted) return kResultFalse;
    if (wanted == 1 && (outputs == nullptr || outputs[0] != arrangementOf(adapter->output.channels)))
        return kResultFalse;
    return kResultOk;
}

tresult VST3_API getBusArrangement(void* self, BusDirection dir, std::int32_t index,
                                   SpeakerArrangement* arr) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || arr == nullptr || dir != kOutput || index != 0 || !adapter->hasOutput) {
        return kInvalidArgument;
    }
    *arr = arrangementOf(adapter->output.channels);
    return kResultOk;
}

tresult VST3_API canProcessSampleSize(void*, std::int32_t size) {
    return size == kSample32 ? kResultOk : kResultFalse;
}

std::uint32_t VST3_API getLatencySamples(void*) { return 0; }

tresult VST3_API setupProcessing(void* self, ProcessSetup* setup) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || setup == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "setupProcessing");
    if (adapter->active.load()) return kResultFalse; // only between deactivation and activation
    if (setup->symbolicSampleSize != kSample32) return kResultFalse;
    if (!(setup->sampleRate >= kLowestRate && setup->sampleRate <= kHighestRate) ||
        setup->maxSamplesPerBlock < 1) {
        return kInvalidArgument;
    }
    adapter->sampleRate = setup->sampleRate;
    adapter->maxBlock = setup->maxSamplesPerBlock;
    adapter->setUp = true;
    return kResultOk;
}

// Hosts call this on their main thread or their audio thread, and may call it
// while process runs. CLAP starts and stops processing on the audio thread:
// processing starts in the first process call (so hosts that never call
// setProcessing play as well), and a stop is left for the next process call,
// or for deactivation when none comes.
tresult VST3_API setProcessing(void* self, TBool state) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return kInvalidArgument;
    if (!adapter->active.load(std::memory_order_acquire)) return kNotInitialized;
    if (state == 0) adapter->stopRequested.store(true, std::memory_order_release);
    return kResultOk;
}

void zeroOutputs(const ProcessData& data, std::uint32_t frames) {
    if (data.outputs == nullptr) return;
    for (std::int32_t bus = 0; bus < data.numOutputs; ++bus) {
        AudioBusBuffers& buffers = data.outputs[bus];
        if (buffers.channelBuffers32 == nullptr) continue;
        for (std::int32_t channel = 0; channel < buffers.numChannels; ++channel) {
            if (buffers.channelBuffers32[channel] != nullptr)
                std::fill_n(buffers.channelBuffers32[channel], frames, 0.0f);
        }
        buffers.silenceFlags = buffers.numChannels <= 0    ? 0
                               : buffers.numChannels >= 64 ? ~std::uint64_t{0}
                                                           : (std::uint64_t{1} << buffers.numChannels) - 1;
    }
}

// The host's first output bus, if it has the two channels the plugin writes.
float** hostStereo(const ProcessData& data) {
    if (data.outputs == nullptr || data.numOutputs < 1) return nullptr;
    const AudioBusBuffers& main = data.outputs[0];
    if (main.numChannels < 2 || main.channelBuffers32 == nullptr) return nullptr;
    if (main.channelBuffers32[0] == nullptr || main.channelBuffers32[1] == nullptr) return nullptr;
    return main.channelBuffers32;
}

// Copies what was rendered aside into whatever channels the host gave.
void copyAside(const ProcessData& data, const float* left, const float* right, std::uint32_t first,
               std::uint32_t frames) {
    if (data.outputs == nullptr || data.numOutputs < 1 || data.outputs[0].channelBuffers32 == nullptr) return;
    const AudioBusBuffers& main = data.outputs[0];
    const float* sources[] = {left, right};
    for (std::int32_t channel = 0; channel < main.numChannels && channel < 2; ++channel) {
        if (main.channelBuffers32[channel] != nullptr) {
            std::copy_n(sources[channel], frames, main.channelBuffers32[channel] + first);
        }
    }
}

// Channels and buses past the two channels the plugin writes are silent.
void silenceUnwritten(const ProcessData& data, std::uint32_t frames) {
    if (data.outputs == nullptr) return;
    for (std::int32_t bus = 0; bus < data.numOutputs; ++bus) {
        const AudioBusBuffers& buffers = data.outputs[bus];
        if (buffers.channelBuffers32 == nullptr) continue;
        for (std::int32_t channel = bus == 0 ? 2 : 0; channel < buffers.numChannels; ++channel) {
            if (buffers.channelBuffers32[channel] != nullptr) {
                std::fill_n(buffers.channelBuffers32[channel], frames, 0.0f);
            }
        }
    }
}

void markSilence(const ProcessData& data, std::uint32_t frames) {
    if (data.outputs == nullptr) return;
    for (std::int32_t bus = 0; bus < data.numOutputs; ++bus) {
        AudioBusBuffers& buffers = data.outputs[bus];
        buffers.silenceFlags = 0;
        if (buffers.channelBuffers32 == nullptr) continue;
        for (std::int32_t channel = 0; channel < buffers.numChannels && channel < 64; ++channel) {
            const float* samples = buffers.channelBuffers32[channel];
            if (samples != nullptr &&
                std::all_of(samples, samples + frames, [](float s) { return s == 0.0f; })) {
                buffers.silenceFlags |= std::uint64_t{1} << channel;
            }
        }
    }
}

// The values of a load on the main thread reach the host as output parameter
// changes at the start of the next block: every host reads these, and none
// holds a lock against them.
void reportLoad(Adapter& adapter, const ProcessData& data) {
    IParameterChanges* changes = data.outputParameterChanges;
    if (changes == nullptr || changes->vtbl == nullptr) return;
    if (!adapter.loadToReport.exchange(false, std::memory_order_acquire)) return;
    for (std::size_t index = 0; index < adapter.specs.size(); ++index) {
        std::int32_t queueIndex = 0;
        IParamValueQueue* queue =
            changes->vtbl->addParameterData(changes, &adapter.specs[index].id, &queueIndex);
        if (queue == nullptr || queue->vtbl == nullptr) continue;
        std::int32_t pointIndex = 0;
        queue->vtbl->addPoint(queue, 0, adapter.loadedValues[index].load(std::memory_order_relaxed),
                              &pointIndex);
    }
}

// Stops processing if the host asked for it, and starts it if it is not
// running; false if the plugin will not start.
bool keepProcessing(Adapter& adapter) {
    if (adapter.stopRequested.exchange(false, std::memory_order_acquire) && adapter.started) {
        adapter.plugin->stop_processing(adapter.plugin);
        adapter.started = false;
    }
    if (!adapter.started) adapter.started = adapter.plugin->start_processing(adapter.plugin);
    return adapter.started;
}

tresult playBlock(Adapter& adapter, ProcessData& data);

// Holds the audio-thread role for the call. A call that finds the role taken
// (a host processing on two threads at once, or while it deactivates) plays
// silence.
tresult VST3_API process(void* self, ProcessData* data) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || data == nullptr) return kInvalidArgument;
    if (data->symbolicSampleSize != kSample32) return kInvalidArgument;
    if (data->numSamples < 0) return kInvalidArgument;
    const auto frames = static_cast<std::uint32_t>(data->numSamples);
    if (!tryAudioRole(*adapter)) {
        zeroOutputs(*data, frames);
        return kResultFalse;
    }
    tresult result = kNotInitialized;
    if (!adapter->active.load(std::memory_order_acquire)) {
        zeroOutputs(*data, frames);
    } else if (!keepProcessing(*adapter)) {
        zeroOutputs(*data, frames);
        result = kResultFalse;
    } else {
        result = playBlock(*adapter, *data);
    }
    leaveAudioRole(*adapter);
    return result;
}

tresult playBlock(Adapter& adapter, ProcessData& data) {
    const auto frames = static_cast<std::uint32_t>(data.numSamples);

    reportLoad(adapter, data);
    adapter.events.begin(data, adapter.specs, frames);

    float** stereo = hostStereo(data);
    float* asideLeft = adapter.scratch.data();
    float* asideRight = asideLeft + adapter.chunkFrames;
    // With no frames the events still reach the plugin (a parameter flush).
    std::uint32_t first = 0;
    do {
        const std::uint32_t end = first + std::min(frames - first, adapter.chunkFrames);
        const std::uint32_t cut = adapter.events.fill(first, end);
        const std::uint32_t count = cut - first;
        float* channels[2] = {stereo != nullptr ? stereo[0] + first : asideLeft,
                              stereo != nullptr ? stereo[1] + first : asideRight};
        clap_audio_buffer_t output{};
        output.data32 = channels;
        output.channel_count = 2;
        clap_event_transport_t transport{};
        clap_process_t block{};
        block.steady_time = -1;
        block.frames_count = count;
        if (data.processContext != nullptr) {
            transport = transportOf(*data.processContext, adapter.sampleRate, first);
            block.transport = &transport;
        }
        block.audio_outputs = &output;
        block.audio_outputs_count = 1;
        block.in_events = adapter.events.list();
        block.out_events = &kNoOutput;
        if (adapter.plugin->process(adapter.plugin, &block) == CLAP_PROCESS_ERROR) {
            std::fill_n(channels[0], count, 0.0f);
            std::fill_n(channels[1], count, 0.0f);
        }
        if (stereo == nullptr) copyAside(data, asideLeft, asideRight, first, count);
        first = cut;
    } while (first < frames || adapter.events.pending());

    silenceUnwritten(data, frames);
    markSilence(data, frames);
    return kResultOk;
}

std::uint32_t VST3_API getTailSamples(void*) { return kNoTail; }

std::uint32_t VST3_API getProcessContextRequirements(void*) {
    return kNeedProjectTimeMusic | kNeedBarPositionMusic | kNeedTempo | kNeedTimeSignature |
           kNeedTransportState;
}

} // namespace

const IAudioProcessorVtbl kAudioProcessorVtbl = {
    kUnknownMethods, setBusArrangements, getBusArrangement, canProcessSampleSize, getLatencySamples,
    setupProcessing, setProcessing,      process,           getTailSamples,
};

const IProcessContextRequirementsVtbl kContextRequirementsVtbl = {kUnknownMethods,
                                                                  getProcessContextRequirements};

} // namespace fennrow::vst3
