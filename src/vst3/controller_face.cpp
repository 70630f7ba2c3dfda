// IEditController: the plugin's parameters with their CLAP ids, names,
// ranges and texts, plus the program-change parameter of the factory sounds.
#include "vst3/adapter.h"
#include "vst3/guarded.h"
#include "vst3/text16.h"

#include <algorithm>
#include <cmath>

namespace fennrow::vst3 {

namespace {

using namespace ::vst3;

// Host strings are read up to this many units.
constexpr std::size_t kLongestHostText = 1024;

tresult VST3_API initialize(void* self, FUnknown*) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "initialize");
    if (adapter->controllerInitialized) return kResultFalse;
    adapter->controllerInitialized = true;
    return kResultOk;
}

// A terminated controller lets go of the host's handler.
tresult VST3_API terminate(void* self) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "terminate");
    if (adapter->handler != nullptr) adapter->handler->vtbl->unknown.release(adapter->handler);
    adapter->handler = nullptr;
    adapter->controllerInitialized = false;
    return kResultOk;
}

// The component state has already reached the plugin through the
// component's setState: the controller only shows the values it now holds.
tresult VST3_API setComponentState(void* self, IBStream* stream) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || stream == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "setComponentState");
    refreshShown(*adapter);
    return kResultOk;
}

// The controller keeps nothing of its own beyond the component state.
tresult VST3_API setControllerState(void* self, IBStream* stream) {
    return ownerOf(self) != nullptr && stream != nullptr ? kResultOk : kInvalidArgument;
}
tresult VST3_API getControllerState(void* self, IBStream* stream) {
    return ownerOf(self) != nullptr && stream != nullptr ? kResultOk : kInvalidArgument;
}

std::int32_t programCount(const Adapter& adapter) {
    return static_cast<std::int32_t>(adapter.programs.size());
}
bool hasProgramList(const Adapter& adapter) { return !adapter.programs.empty(); }

std::int32_t VST3_API getParameterCount(void* self) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return 0;
    return static_cast<std::int32_t>(adapter->specs.size()) + (hasProgramList(*adapter) ? 1 : 0);
}

double programNormalized(const Adapter& adapter, std::int32_t program) {
    const std::int32_t steps = programCount(adapter) - 1;
    return steps > 0 ? static_cast<double>(program) / steps : 0.0;
}

std::int32_t programAt(const Adapter& adapter, double normalized) {
    const std::int32_t steps = programCount(adapter) - 1;
    const double position = std::isnan(normalized) ? 0.0 : std::clamp(normalized, 0.0, 1.0);
    return static_cast<std::int32_t>(std::lround(position * steps));
}

bool isProgramParam(const Adapter& adapter, ParamID id) {
    return id == kProgramParamId && hasProgramList(adapter);
}

tresult VST3_API getParameterInfo(void* self, std::int32_t index, ParameterInfo* info) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || info == nullptr || index < 0 || index >= getParameterCount(self))
        return kInvalidArgument;
    return guarded(kInternalError, [&] {
        *info = ParameterInfo{};
        info->unitId = kRootUnitId;
        if (static_cast<std::size_t>(index) == adapter->specs.size()) {
            info->id = kProgramParamId;
            copyUtf16(info->title, "Program");
            copyUtf16(info->shortTitle, "Program");
            info->stepCount = programCount(*adapter) - 1;
            info->defaultNormalizedValue = 0.0;
            info->flags = kIsProgramChange | kIsList;
            return kResultOk;
        }
        const ControllerParam& spec = adapter->specs[static_cast<std::size_t>(index)];
        info->id = spec.id;
        copyUtf16(info->title, spec.name);
        copyUtf16(info->shortTitle, spec.name);
        copyUtf16(info->units, spec.unit);
        info->stepCount = stepCount(spec);
        info->defaultNormalizedValue = toNormalized(spec, spec.defaultValue);
        info->flags = kCanAutomate;
        return kResultOk;
    });
}

tresult VST3_API getParamStringByValue(void* self, ParamID id, ParamValue normalized, char16* string) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || string == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "getParamStringByValue");
    return guarded(kInternalError, [&] {
        if (isProgramParam(*adapter, id)) {
            copyUtf16(string, 128,
                      adapter->programs[static_cast<std::size_t>(programAt(*adapter, normalized))].name);
            return kResultOk;
        }
        const int index = specIndex(*adapter, id);
        if (index < 0) return kInvalidArgument;
        const ControllerParam& spec = adapter->specs[static_cast<std::size_t>(index)];
        const std::optional<std::string> text =
            valueText(adapter->plugin, adapter->params, spec, toPlain(spec, normalized));
        if (!text) return kResultFalse;
        copyUtf16(string, 128, *text);
        return kResultOk;
    });
}

tresult VST3_API getParamValueByString(void* self, ParamID id, char16* string, ParamValue* normalized) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || string == nullptr || normalized == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "getParamValueByString");
    return guarded(kInternalError, [&] {
        const std::string text = fromUtf16(string, kLongestHostText);
        if (isProgramParam(*adapter, id)) {
            for (std::size_t program = 0; program < adapter->programs.size(); ++program) {
                if (adapter->programs[program].name == text) {
                    *normalized = programNormalized(*adapter, static_cast<std::int32_t>(program));
                    return kResultOk;
                }
            }
            return kResultFalse;
        }
        const int index = specIndex(*adapter, id);
        if (index < 0) return kInvalidArgument;
        const ControllerParam& spec = adapter->specs[static_cast<std::size_t>(index)];
        double plain = 0.0;
        if (!adapter->params->text_to_value(adapter->plugin, spec.id, text.c_str(), &plain))
            return kResultFalse;
        *normalized = toNormalized(spec, plain);
        return kResultOk;
    });
}

ParamValue VST3_API normalizedParamToPlain(void* self, ParamID id, ParamValue normalized) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return 0.0;
    if (isProgramParam(*adapter, id)) return programAt(*adapter, normalized);
    const int index = specIndex(*adapter, id);
    return index < 0 ? 0.0 : toPlain(adapter->specs[static_cast<std::size_t>(index)], normalized);
}

ParamValue VST3_API plainParamToNormalized(void* self, ParamID id, ParamValue plain) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return 0.0;
    if (isProgramParam(*adapter, id)) {
        const std::int32_t last = programCount(*adapter) - 1;
        return last > 0 ? std::clamp(plain / last, 0.0, 1.0) : 0.0;
    }
    const int index = specIndex(*adapter, id);
    return index < 0 ? 0.0 : toNormalized(adapter->specs[static_cast<std::size_t>(index)], plain);
}

ParamValue VST3_API getParamNormalized(void* self, ParamID id) {
    const Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return 0.0;
    checkMainThread(adapter->threads, "getParamNormalized");
    if (isProgramParam(*adapter, id)) return programNormalized(*adapter, adapter->program);
    const int index = specIndex(*adapter, id);
    return index < 0 ? 0.0 : adapter->shown[static_cast<std::size_t>(index)];
}

// While the processor is active the host hands each edit to it as a
// parameter change of a process call, at its sample offset; while it is
// inactive there are no process calls, so the edit goes to the plugin at once
// and what the host shows, what the plugin plays and what it saves agree.
// Choosing a program loads it every time, even the program shown: its sound
// may have been edited since.
tresult VST3_API setParamNormalized(void* self, ParamID id, ParamValue value) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr || std::isnan(value)) return kInvalidArgument;
    checkMainThread(adapter->threads, "setParamNormalized");
    const double normalized = std::clamp(value, 0.0, 1.0);
    return guarded(kInternalError, [&] {
        if (isProgramParam(*adapter, id)) {
            return loadProgram(*adapter, programAt(*adapter, normalized)) ? kResultOk : kResultFalse;
        }
        const int index = specIndex(*adapter, id);
        if (index < 0) return kInvalidArgument;
        adapter->shown[static_cast<std::size_t>(index)] = normalized;
        sendEdit(*adapter, index, normalized);
        return kResultOk;
    });
}

tresult VST3_API setComponentHandler(void* self, IComponentHandler* handler) {
    Adapter* adapter = ownerOf(self);
    if (adapter == nullptr) return kInvalidArgument;
    checkMainThread(adapter->threads, "setComponentHandler");
    if (handler == adapter->handler) return kResultOk;
    if (handler != nullptr) handler->vtbl->unknown.addRef(handler);
    if (adapter->handler != nullptr) adapter->handler->vtbl->unknown.release(adapter->handler);
    adapter->handler = handler;
    return kResultOk;
}

// No editor of its own: hosts show their generic one.
FUnknown* VST3_API createView(void*, FIDString) { return nullptr; }

} // namespace

const IEditControllerVtbl kEditControllerVtbl = {
    {kUnknownMethods, initialize, terminate},
    setComponentState,
    setControllerState,
    getControllerState,
    getParameterCount,
    getParameterInfo,
    getParamStringByValue,
    getParamValueByString,
    normalizedParamToPlain,
    plainParamToNormalized,
    getParamNormalized,
    setParamNormalized,
    setComponentHandler,
    createView,
};

} // namespace fennrow::vst3
