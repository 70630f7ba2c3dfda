// IAudioProcessor: the process call becomes CLAP process calls, with the
// host's parameter points and notes as CLAP events at the same offsets and
// its process context as the CLAP transport.
#include "vst3/adapter.h"

#include <algorithm>
#include <cmath>

namespace fennrow::adapter {

namespace {

using namespace vst3;

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
    if (adapter == nullptr || adapter->active) return kResultFalse;
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
    if (adapter->active) return kResultFalse; // only between deactivation and activation
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

// Processing starts in the first process call (on the audio thread, as CLAP
// wants), so hosts that never call setProcessing play as well.
tresult VST3_API setProcessing(void* self, TBool state) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return kInvalidArgument;
    if (!adapter->active) return kNotInitialized;
    if (state == 0 && adapter->started.exchange(false)) adapter->plugin->stop_processing(adapter->plugin);
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

tresult VST3_API process(void* self, ProcessData* data) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || data == nullptr) return kInvalidArgument;
    if (data->symbolicSampleSize != kSample32) return kInvalidArgument;
    if (data->numSamples < 0) return kInvalidArgument;
    const auto frames = static_cast<std::uint32_t>(data->numSamples);
    if (!adapter->active) {
        zeroOutputs(*data, frames);
        return kNotInitialized;
    }
    if (!adapter->started.exchange(true)) {
        if (!adapter->plugin->start_processing(adapter->plugin)) {
            adapter->started.store(false);
            zeroOutputs(*data, frames);
            return kResultFalse;
        }
    }

    reportLoad(*adapter, *data);
    adapter->events.clear();
    collectHostEvents(adapter->events, *data, adapter->specs, frames);
    adapter->events.sort();

    float** stereo = hostStereo(*data);
    float* asideLeft = adapter->scratch.data();
    float* asideRight = asideLeft + adapter->chunkFrames;
    // With no frames the events still reach the plugin (a parameter flush).
    std::uint32_t first = 0;
    do {
        const std::uint32_t count = std::min(frames - first, adapter->chunkFrames);
        float* channels[2] = {stereo != nullptr ? stereo[0] + first : asideLeft,
                              stereo != nullptr ? stereo[1] + first : asideRight};
        clap_audio_buffer_t output{};
        output.data32 = channels;
        output.channel_count = 2;
        clap_event_transport_t transport{};
        clap_process_t block{};
        block.steady_time = -1;
        block.frames_count = count;
        if (data->processContext != nullptr) {
            transport = transportOf(*data->processContext, adapter->sampleRate, first);
            block.transport = &transport;
        }
        block.audio_outputs = &output;
        block.audio_outputs_count = 1;
        block.in_events = adapter->events.window(first, count == 0 ? 1 : first + count);
        block.out_events = &kNoOutput;
        if (adapter->plugin->process(adapter->plugin, &block) == CLAP_PROCESS_ERROR) {
            std::fill_n(channels[0], count, 0.0f);
            std::fill_n(channels[1], count, 0.0f);
        }
        if (stereo == nullptr) copyAside(*data, asideLeft, asideRight, first, count);
        first += count;
    } while (first < frames);

    silenceUnwritten(*data, frames);
    markSilence(*data, frames);
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

} // namespace fennrow::adapter
