// IEditController: parameters, their texts and normalised values, and the
// host's IComponentHandler that the controller reports changes to.
#pragma once

#include <vst3/base.h>
#include <vst3/stream.h>

#include <cstddef>

namespace vst3 {

enum ParameterFlags : std::int32_t {
    kNoParameterFlags = 0,
    kCanAutomate = 1 << 0,
    kIsReadOnly = 1 << 1,
    kIsWrapAround = 1 << 2,
    kIsList = 1 << 3,
    kIsHidden = 1 << 4,
    kIsProgramChange = 1 << 15,
    kIsBypass = 1 << 16,
};

enum RestartFlags : std::int32_t {
    kReloadComponent = 1 << 0,
    kIoChanged = 1 << 1,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kParamTitlesChanged = 1 << 4,
};

struct ParameterInfo {
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    std::int32_t stepCount;
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    std::int32_t flags;
};

struct IComponentHandlerVtbl {
    FUnknownVtbl unknown;
    tresult(VST3_API* beginEdit)(void* self, ParamID id);
    tresult(VST3_API* performEdit)(void* self, ParamID id, ParamValue valueNormalized);
    tresult(VST3_API* endEdit)(void* self, ParamID id);
    tresult(VST3_API* restartComponent)(void* self, std::int32_t flags);
};

struct IComponentHandler {
    const IComponentHandlerVtbl* vtbl;
};

struct IEditControllerVtbl {
    IPluginBaseVtbl base;
    tresult(VST3_API* setComponentState)(void* self, IBStream* state);
    tresult(VST3_API* setState)(void* self, IBStream* state);
    tresult(VST3_API* getState)(void* self, IBStream* state);
    std::int32_t(VST3_API* getParameterCount)(void* self);
    tresult(VST3_API* getParameterInfo)(void* self, std::int32_t paramIndex, ParameterInfo* info);
    tresult(VST3_API* getParamStringByValue)(void* self, ParamID id, ParamValue valueNormalized, char16* string);
    tresult(VST3_API* getParamValueByString)(void* self, ParamID id, char16* string, ParamValue* valueNormalized);
    ParamValue(VST3_API* normalizedParamToPlain)(void* self, ParamID id, ParamValue valueNormalized);
    ParamValue(VST3_API* plainParamToNormalized)(void* self, ParamID id, ParamValue plainValue);
    ParamValue(VST3_API* getParamNormalized)(void* self, ParamID id);
    tresult(VST3_API* setParamNormalized)(void* self, ParamID id, ParamValue value);
    tresult(VST3_API* setComponentHandler)(void* self, IComponentHandler* handler);
    FUnknown*(VST3_API* createView)(void* self, FIDString name);
};

inline constexpr Uid kIEditControllerIid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
inline constexpr Uid kIComponentHandlerIid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);

static_assert(sizeof(ParameterInfo) == 792);
static_assert(offsetof(ParameterInfo, units) == 516);
static_assert(offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(offsetof(ParameterInfo, flags) == 788);
static_assert(sizeof(IComponentHandlerVtbl) == 7 * sizeof(void*));
static_assert(sizeof(IEditControllerVtbl) == 18 * sizeof(void*));

} // namespace vst3
