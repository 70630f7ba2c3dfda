#include "plugin/params_extension.h"

#include "maths/float_narrowing.h"
#include "platform/utf8.h"
#include "plugin/number_text.h"
#include "plugin/param_value.h"
#include "plugin/param_writes.h"
#include "plugin/plugin_instance.h"

#include <cstdio>
#include <cstring>

namespace fennrow::plugin {
namespace {

constexpr clap_param_info_flags kAutomatable = CLAP_PARAM_IS_AUTOMATABLE;
constexpr clap_param_info_flags kSteppedAutomatable = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_STEPPED;

// Digits after the point: stepped values are whole numbers.
constexpr int kSteppedDecimals = 0;
constexpr int kContinuousDecimals = 3;

// Enough for any double in fixed notation (309 integer digits) plus decimals.
constexpr std::size_t kNumberTextCapacity = 400;
// The number, a space and the unit.
constexpr std::size_t kValueTextCapacity = kNumberTextCapacity + 32;

const ParamSpec* specById(clap_id id) {
    const int index = paramIndexById(id);
    return index < 0 ? nullptr : &kParamTable[index];
}

uint32_t paramsCount(const clap_plugin_t*) { return kParamCount; }

bool paramsGetInfo(const clap_plugin_t*, uint32_t index, clap_param_info_t* info) {
    if (index >= static_cast<uint32_t>(kParamCount) || info == nullptr) return false;
    const ParamSpec& spec = kParamTable[index];
    std::memset(info, 0, sizeof *info);
    info->id = spec.id;
    info->flags = spec.stepped ? kSteppedAutomatable : kAutomatable;
    info->cookie = nullptr;
    platform::copyWellFormedUtf8(spec.name, info->name, sizeof info->name);
    info->module[0] = '\0';
    info->min_value = spec.min;
    info->max_value = spec.max;
    info->default_value = spec.defaultValue;
    return true;
}

bool paramsGetValue(const clap_plugin_t* plugin, clap_id id, double* out) {
    const PluginInstance* instance = instanceOf(plugin);
    const int index = paramIndexById(id);
    if (instance == nullptr || index < 0 || out == nullptr) return false;
    *out = instance->paramValues[index].load(std::memory_order_relaxed);
    return true;
}

bool paramsValueToText(const clap_plugin_t*, clap_id id, double value, char* out, uint32_t capacity) {
    const ParamSpec* spec = specById(id);
    if (spec == nullptr || out == nullptr || capacity == 0) return false;
    // A stepped value is shown as the step it plays, taken as the engine
    // takes it (as a float, halves away from zero), not as printf would round
    // it (halves to even).
    const double shown = spec->stepped ? nearestStep(maths::narrowToFloat(value)) : value;
    char number[kNumberTextCapacity];
    formatFixed(shown, spec->stepped ? kSteppedDecimals : kContinuousDecimals, number, sizeof number);
    char text[kValueTextCapacity];
    if (spec->unit[0] == '\0') {
        std::snprintf(text, sizeof text, "%s", number);
    } else {
        std::snprintf(text, sizeof text, "%s %s", number, spec->unit);
    }
    // A short buffer cuts the text between characters, never inside one.
    platform::copyWellFormedUtf8(text, out, capacity);
    return true;
}

bool paramsTextToValue(const clap_plugin_t*, clap_id id, const char* text, double* out) {
    if (specById(id) == nullptr || out == nullptr) return false;
    double value = 0.0;
    const std::size_t consumed = parseLeadingNumber(text, value);
    *out = value;
    return consumed > 0;
}

void paramsFlush(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t*) {
    PluginInstance* instance = instanceOf(plugin);
    if (instance == nullptr) return;
    // Active means the audio thread calls us and owns the live sound.
    const bool wasActive = instance->active.load() != 0;
    const uint32_t count = (in != nullptr && in->size != nullptr && in->get != nullptr) ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* header = in->get(in, i);
        if (header == nullptr || header->space_id != CLAP_CORE_EVENT_SPACE_ID ||
            header->type != CLAP_EVENT_PARAM_VALUE || header->size < sizeof(clap_event_param_value_t)) {
            continue;
        }
        writeParam(*instance, *reinterpret_cast<const clap_event_param_value_t*>(header));
    }
    if (wasActive) return;
    publishSnapshot(instance->exchange, engine::SoundSnapshot{makeSoundParams(*instance), instance->curves});
}

} // namespace

const clap_plugin_params_t kParamsExtension = {
    paramsCount, paramsGetInfo, paramsGetValue, paramsValueToText, paramsTextToValue, paramsFlush,
};

} // namespace fennrow::plugin
