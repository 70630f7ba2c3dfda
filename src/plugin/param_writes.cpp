#include "plugin/param_writes.h"

#include "maths/float_narrowing.h"
#include "plugin/param_value.h"
#include "plugin/plugin_instance.h"

namespace fennrow::plugin {

void writeParam(PluginInstance& instance, const clap_event_param_value_t& event) {
    const int index = paramIndexById(event.param_id);
    if (index < 0) return;
    const ParamSpec& spec = kParamTable[index];
    const float value = paramValueFor(spec, maths::narrowToFloat(event.value));
    slotValue(instance.liveSound.params, spec.slot) = value;
    instance.paramValues[index].store(value, std::memory_order_relaxed);
}

engine::SoundParams makeSoundParams(const PluginInstance& instance) {
    engine::SoundParams params;
    for (int i = 0; i < kParamCount; ++i) {
        slotValue(params, kParamTable[i].slot) = instance.paramValues[i].load(std::memory_order_relaxed);
    }
    return params;
}

void applyLoadedSound(PluginInstance& instance, const engine::SoundSnapshot& snapshot) {
    instance.curves = snapshot.curves;
    for (int i = 0; i < kParamCount; ++i) {
        instance.paramValues[i].store(slotValue(snapshot.params, kParamTable[i].slot),
                                      std::memory_order_relaxed);
    }
    publishSnapshot(instance.exchange, snapshot);
}

} // namespace fennrow::plugin
