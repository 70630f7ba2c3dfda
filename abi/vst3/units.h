// IUnitInfo: the units of a plugin and the program lists hosts show as presets.
#pragma once

#include <vst3/base.h>
#include <vst3/stream.h>

#include <cstddef>

namespace vst3 {

inline constexpr UnitID kRootUnitId = 0;
inline constexpr UnitID kNoParentUnitId = -1;
inline constexpr ProgramListID kNoProgramListId = -1;

struct UnitInfo {
    UnitID id;
    UnitID parentUnitId;
    String128 name;
    ProgramListID programListId;
};

struct ProgramListInfo {
    ProgramListID id;
    String128 name;
    std::int32_t programCount;
};

struct IUnitInfoVtbl {
    FUnknownVtbl unknown;
    std::int32_t(VST3_API* getUnitCount)(void* self);
    tresult(VST3_API* getUnitInfo)(void* self, std::int32_t unitIndex, UnitInfo* info);
    std::int32_t(VST3_API* getProgramListCount)(void* self);
    tresult(VST3_API* getProgramListInfo)(void* self, std::int32_t listIndex, ProgramListInfo* info);
    tresult(VST3_API* getProgramName)(void* self, ProgramListID listId, std::int32_t programIndex, char16* name);
    tresult(VST3_API* getProgramInfo)(void* self, ProgramListID listId, std::int32_t programIndex,
                                      const char* attributeId, char16* attributeValue);
    tresult(VST3_API* hasProgramPitchNames)(void* self, ProgramListID listId, std::int32_t programIndex);
    tresult(VST3_API* getProgramPitchName)(void* self, ProgramListID listId, std::int32_t programIndex,
                                           std::int16_t midiPitch, char16* name);
    UnitID(VST3_API* getSelectedUnit)(void* self);
    tresult(VST3_API* selectUnit)(void* self, UnitID unitId);
    tresult(VST3_API* getUnitByBus)(void* self, MediaType type, BusDirection dir, std::int32_t busIndex,
                                    std::int32_t channel, UnitID* unitId);
    tresult(VST3_API* setUnitProgramData)(void* self, std::int32_t listOrUnitId, std::int32_t programIndex,
                                          IBStream* data);
};

inline constexpr Uid kIUnitInfoIid = makeUid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);

static_assert(sizeof(UnitInfo) == 268);
static_assert(sizeof(ProgramListInfo) == 264);
static_assert(sizeof(IUnitInfoVtbl) == 15 * sizeof(void*));

} // namespace vst3
