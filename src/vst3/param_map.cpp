#include "vst3/param_map.h"

#include <algorithm>
#include <cmath>

namespace fennrow::vst3 {

namespace {

constexpr std::uint32_t kTextCapacity = 128;

std::optional<std::string> pluginText(const clap_plugin_t* plugin, const clap_plugin_params_t* params,
                                      clap_id id, double plain) {
    char text[kTextCapacity] = {};
    if (!params->value_to_text(plugin, id, plain, text, kTextCapacity)) return std::nullopt;
    text[kTextCapacity - 1] = 0;
    return std::string(text);
}

// The plugin writes a unit as a word after its number ("0.060 s"): what
// follows the first blank of its text for the default value.
std::string unitOf(const clap_plugin_t* plugin, const clap_plugin_params_t* params,
                   const clap_param_info_t& info) {
    const std::optional<std::string> text = pluginText(plugin, params, info.id, info.default_value);
    if (!text) return {};
    const std::size_t blank = text->find(' ');
    if (blank == std::string::npos || blank == 0) return {};
    return text->substr(blank + 1);
}

} // namespace

std::vector<ControllerParam> readControllerParams(const clap_plugin_t* plugin,
                                                  const clap_plugin_params_t* params) {
    std::vector<ControllerParam> specs;
    const std::uint32_t count = params->count(plugin);
    for (std::uint32_t index = 0; index < count; ++index) {
        clap_param_info_t info{};
        if (!params->get_info(plugin, index, &info)) continue;
        info.name[CLAP_NAME_SIZE - 1] = 0;
        ControllerParam spec;
        spec.id = info.id;
        spec.name = info.name;
        spec.unit = unitOf(plugin, params, info);
        spec.min = info.min_value;
        spec.max = info.max_value;
        spec.defaultValue = info.default_value;
        spec.stepped = (info.flags & CLAP_PARAM_IS_STEPPED) != 0;
        specs.push_back(std::move(spec));
    }
    return specs;
}

double toPlain(const ControllerParam& spec, double normalized) {
    return spec.min + normalized * (spec.max - spec.min);
}

double toNormalized(const ControllerParam& spec, double plain) {
    const double range = spec.max - spec.min;
    if (!(range > 0.0)) return 0.0;
    return std::clamp((plain - spec.min) / range, 0.0, 1.0);
}

std::int32_t stepCount(const ControllerParam& spec) {
    return spec.stepped ? static_cast<std::int32_t>(std::llround(spec.max - spec.min)) : 0;
}

std::optional<std::string> valueText(const clap_plugin_t* plugin, const clap_plugin_params_t* params,
                                     const ControllerParam& spec, double plain) {
    std::optional<std::string> text = pluginText(plugin, params, spec.id, plain);
    if (!text || spec.unit.empty()) return text;
    const std::string suffix = " " + spec.unit;
    if (text->size() > suffix.size() &&
        text->compare(text->size() - suffix.size(), suffix.size(), suffix) == 0) {
        text->resize(text->size() - suffix.size());
    }
    return text;
}

} // namespace fennrow::vst3
