// The parameter changes of a process call: one queue of (offset, value)
// points per parameter.
#pragma once

#include <vst3/base.h>

namespace vst3 {

struct IParamValueQueueVtbl {
    FUnknownVtbl unknown;
    ParamID(VST3_API* getParameterId)(void* self);
    std::int32_t(VST3_API* getPointCount)(void* self);
    tresult(VST3_API* getPoint)(void* self, std::int32_t index, std::int32_t* sampleOffset, ParamValue* value);
    tresult(VST3_API* addPoint)(void* self, std::int32_t sampleOffset, ParamValue value, std::int32_t* index);
};

struct IParamValueQueue {
    const IParamValueQueueVtbl* vtbl;
};

struct IParameterChangesVtbl {
    FUnknownVtbl unknown;
    std::int32_t(VST3_API* getParameterCount)(void* self);
    IParamValueQueue*(VST3_API* getParameterData)(void* self, std::int32_t index);
    IParamValueQueue*(VST3_API* addParameterData)(void* self, const ParamID* id, std::int32_t* index);
};

struct IParameterChanges {
    const IParameterChangesVtbl* vtbl;
};

inline constexpr Uid kIParamValueQueueIid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
inline constexpr Uid kIParameterChangesIid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);

static_assert(sizeof(IParamValueQueueVtbl) == 7 * sizeof(void*));
static_assert(sizeof(IParameterChangesVtbl) == 6 * sizeof(void*));

} // namespace vst3
