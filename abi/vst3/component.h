// IComponent: the processing part's buses, activation and state.
#pragma once

#include <vst3/base.h>
#include <vst3/stream.h>

#include <cstddef>

namespace vst3 {

enum MediaTypes : MediaType { kAudio = 0, kEvent = 1 };
enum BusDirections : BusDirection { kInput = 0, kOutput = 1 };
enum BusTypes : BusType { kMain = 0, kAux = 1 };
enum BusFlags : std::uint32_t { kDefaultActive = 1 << 0, kIsControlVoltage = 1 << 1 };

struct BusInfo {
    MediaType mediaType;
    BusDirection direction;
    std::int32_t channelCount;
    String128 name;
    BusType busType;
    std::uint32_t flags;
};

struct RoutingInfo {
    MediaType mediaType;
    std::int32_t busIndex;
    std::int32_t channel;
};

struct IComponentVtbl {
    IPluginBaseVtbl base;
    tresult(VST3_API* getControllerClassId)(void* self, char* classId);
    tresult(VST3_API* setIoMode)(void* self, IoMode mode);
    std::int32_t(VST3_API* getBusCount)(void* self, MediaType type, BusDirection dir);
    tresult(VST3_API* getBusInfo)(void* self, MediaType type, BusDirection dir, std::int32_t index, BusInfo* bus);
    tresult(VST3_API* getRoutingInfo)(void* self, RoutingInfo* inInfo, RoutingInfo* outInfo);
    tresult(VST3_API* activateBus)(void* self, MediaType type, BusDirection dir, std::int32_t index, TBool state);
    tresult(VST3_API* setActive)(void* self, TBool state);
    tresult(VST3_API* setState)(void* self, IBStream* state);
    tresult(VST3_API* getState)(void* self, IBStream* state);
};

inline constexpr Uid kIComponentIid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);

static_assert(sizeof(BusInfo) == 276);
static_assert(offsetof(BusInfo, busType) == 268);
static_assert(sizeof(RoutingInfo) == 12);
static_assert(sizeof(IComponentVtbl) == 14 * sizeof(void*));

} // namespace vst3
