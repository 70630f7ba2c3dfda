// IUnitInfo: one root unit holding one program list, the factory sounds,
// which hosts show in their preset menu; its program-change parameter is the
// controller's "Program".
#include "vst3/adapter.h"
#include "vst3/guarded.h"
#include "vst3/text16.h"

namespace fennrow::vst3 {

namespace {

using namespace ::vst3;

constexpr char kRootUnitName[] = "Root";
constexpr char kProgramListName[] = "Factory sounds";

bool hasPrograms(const Adapter& adapter) { return !adapter.programs.empty(); }

std::int32_t VST3_API getUnitCount(void* self) { return ownerOf(self) != nullptr ? 1 : 0; }

tresult VST3_API getUnitInfo(void* self, std::int32_t index, UnitInfo* info) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || info == nullptr || index != 0) return kInvalidArgument;
    info->id = kRootUnitId;
    info->parentUnitId = kNoParentUnitId;
    copyUtf16(info->name, kRootUnitName);
    info->programListId = hasPrograms(*adapter) ? kProgramListId : kNoProgramListId;
    return kResultOk;
}

std::int32_t VST3_API getProgramListCount(void* self) {
    const Adapter* adapter = ownerOf(self);
    return adapter != nullptr && hasPrograms(*adapter) ? 1 : 0;
}

tresult VST3_API getProgramListInfo(void* self, std::int32_t index, ProgramListInfo* info) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || info == nullptr || index != 0 || !hasPrograms(*adapter))
        return kInvalidArgument;
    info->id = kProgramListId;
    copyUtf16(info->name, kProgramListName);
    info->programCount = static_cast<std::int32_t>(adapter->programs.size());
    return kResultOk;
}

tresult VST3_API getProgramName(void* self, ProgramListID listId, std::int32_t index, char16* name) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || name == nullptr || listId != kProgramListId || index < 0 ||
        static_cast<std::size_t>(index) >= adapter->programs.size()) {
        return kInvalidArgument;
    }
    return guarded(kInternalError, [&] {
        copyUtf16(name, 128, adapter->programs[static_cast<std::size_t>(index)].name);
        return kResultOk;
    });
}

tresult VST3_API getProgramInfo(void*, ProgramListID, std::int32_t, const char*, char16*) {
    return kResultFalse;
}
tresult VST3_API hasProgramPitchNames(void*, ProgramListID, std::int32_t) { return kResultFalse; }
tresult VST3_API getProgramPitchName(void*, ProgramListID, std::int32_t, std::int16_t, char16*) {
    return kResultFalse;
}
UnitID VST3_API getSelectedUnit(void*) { return kRootUnitId; }
tresult VST3_API selectUnit(void*, UnitID unitId) {
    return unitId == kRootUnitId ? kResultOk : kInvalidArgument;
}

tresult VST3_API getUnitByBus(void*, MediaType, BusDirection, std::int32_t, std::int32_t, UnitID* unitId) {
    if (unitId == nullptr) return kInvalidArgument;
    *unitId = kRootUnitId;
    return kResultOk;
}

tresult VST3_API setUnitProgramData(void*, std::int32_t, std::int32_t, IBStream*) { return kNotImplemented; }

} // namespace

const IUnitInfoVtbl kUnitInfoVtbl = {
    kUnknownMethods, getUnitCount,   getUnitInfo,          getProgramListCount, getProgramListInfo,
    getProgramName,  getProgramInfo, hasProgramPitchNames, getProgramPitchName, getSelectedUnit,
    selectUnit,      getUnitByBus,   setUnitProgramData,
};

} // namespace fennrow::vst3
