// IComponent: buses, activation and the component state, which is the
// plugin's own CLAP state byte for byte.
#include "vst3/adapter.h"
#include "vst3/guarded.h"
#include "vst3/state_streams.h"
#include "vst3/text16.h"

#include <algorithm>

namespace fennrow::vst3 {

namespace {

using namespace ::vst3;

// The CLAP plugin is created and initialised with the instance, so the
// host's context is not needed. The component and the controller are each
// initialised once (a host may initialise both faces of the one object);
// terminating the component ends processing.
tresult VST3_API initialize(void* self, FUnknown*) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "initialize");
    if (adapter->componentInitialized) return kResultFalse;
    adapter->componentInitialized = true;
    return kResultOk;
}

tresult VST3_API terminate(void* self) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "terminate");
    stopAndDeactivate(*adapter);
    adapter->componentInitialized = false;
    return kResultOk;
}

// One object is component and controller at once: there is no separate
// controller class, and hosts ask the component for IEditController.
tresult VST3_API getControllerClassId(void*, char*) { return kNotImplemented; }

tresult VST3_API setIoMode(void*, IoMode) { return kNotImplemented; }

std::int32_t VST3_API getBusCount(void* self, MediaType type, BusDirection dir) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return 0;
    if (type == kAudio && dir == kOutput) return adapter->hasOutput ? 1 : 0;
    if (type == kEvent && dir == kInput) return adapter->hasNoteInput ? 1 : 0;
    return 0;
}

// Notes arrive on any channel: the event bus offers all sixteen.
constexpr std::int32_t kEventChannels = 16;

tresult VST3_API getBusInfo(void* self, MediaType type, BusDirection dir, std::int32_t index, BusInfo* bus) {
    if (bus == nullptr || index != 0 || index >= getBusCount(self, type, dir)) return kInvalidArgument;
    const Adapter& adapter = *ownerOf(self);
    return guarded(kInternalError, [&] {
        bus->mediaType = type;
        bus->direction = dir;
        bus->busType = kMain;
        bus->flags = kDefaultActive;
        if (type == kAudio) {
            bus->channelCount = static_cast<std::int32_t>(adapter.output.channels);
            copyUtf16(bus->name, adapter.output.name);
        } else {
            bus->channelCount = kEventChannels;
            copyUtf16(bus->name, adapter.noteInputName);
        }
        return kResultOk;
    });
}

tresult VST3_API getRoutingInfo(void*, RoutingInfo*, RoutingInfo*) { return kNotImplemented; }

tresult VST3_API activateBus(void* self, MediaType type, BusDirection dir, std::int32_t index, TBool) {
    return index == 0 && index < getBusCount(self, type, dir) ? kResultOk : kInvalidArgument;
}

// Room for a point of every parameter and two notes on every frame of a
// piece, so that real blocks are played whole, up to about a megabyte per
// instance (16384 events); a busier block is played in more pieces, which
// sounds the same.
std::uint32_t eventRoom(std::uint32_t frames, std::size_t paramCount) {
    constexpr std::uint64_t kNotesPerFrame = 2;
    constexpr std::uint64_t kMostEvents = std::uint64_t{1} << 14;
    return static_cast<std::uint32_t>(std::min(frames * (paramCount + kNotesPerFrame), kMostEvents));
}

tresult VST3_API setActive(void* self, TBool state) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "setActive");
    if (state == 0) {
        stopAndDeactivate(*adapter);
        return kResultOk;
    }
    if (adapter->active) return kResultOk;
    if (!adapter->setUp) return kNotInitialized; // setupProcessing comes first
    return guarded(kOutOfMemory, [&] {
        // The plugin promises any block up to 16384 frames; longer blocks are
        // handed to it in pieces.
        constexpr std::int32_t kLongestPiece = 16384;
        adapter->chunkFrames = static_cast<std::uint32_t>(std::min(adapter->maxBlock, kLongestPiece));
        adapter->events.reserve(eventRoom(adapter->chunkFrames, adapter->specs.size()),
                                adapter->specs.size());
        adapter->scratch.assign(2 * std::size_t{adapter->chunkFrames}, 0.0f);
        if (!adapter->plugin->activate(adapter->plugin, adapter->sampleRate, 1, adapter->chunkFrames)) {
            return kResultFalse;
        }
        adapter->active.store(true, std::memory_order_release);
        return kResultOk;
    });
}

tresult VST3_API setState(void* self, IBStream* stream) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || stream == nullptr || stream->vtbl == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "setState");
    return guarded(kOutOfMemory, [&] {
        std::string bytes;
        if (!readWholeStream(stream, bytes)) return kResultFalse;
        MemoryInput input(bytes);
        if (!adapter->state->load(adapter->plugin, &input.clap)) return kResultFalse;
        afterLoad(*adapter);
        recogniseProgram(*adapter);
        return kResultOk;
    });
}

tresult VST3_API getState(void* self, IBStream* stream) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || stream == nullptr || stream->vtbl == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "getState");
    return guarded(kOutOfMemory, [&] {
        HostOutput output(stream);
        return adapter->state->save(adapter->plugin, &output.clap) ? kResultOk : kResultFalse;
    });
}

} // namespace

const IComponentVtbl kComponentVtbl = {
    {kUnknownMethods, initialize, terminate},
    getControllerClassId,
    setIoMode,
    getBusCount,
    getBusInfo,
    getRoutingInfo,
    activateBus,
    setActive,
    setState,
    getState,
};

} // namespace fennrow::vst3
