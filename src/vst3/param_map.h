// The plugin's CLAP parameters as a VST 3 controller shows them: the same
// ids, names and ranges, values normalised by a linear map of the range.
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fennrow::vst3 {

struct ControllerParam {
    clap_id id = 0;
    std::string name;
    std::string unit; // the word the plugin writes after its numbers ("s", "bars"), or empty
    double min = 0.0;
    double max = 1.0;
    double defaultValue = 0.0;
    bool stepped = false;
};

// Reads every parameter through the plugin's params extension (main thread).
std::vector<ControllerParam> readControllerParams(const clap_plugin_t* plugin,
                                                  const clap_plugin_params_t* params);

double toPlain(const ControllerParam& spec, double normalized);
double toNormalized(const ControllerParam& spec, double plain);
// The number of steps of a stepped parameter (max - min), 0 for a continuous one.
std::int32_t stepCount(const ControllerParam& spec);

// The plugin's own text for a plain value, without the unit the host shows
// next to it; nothing if the plugin has no text for it.
std::optional<std::string> valueText(const clap_plugin_t* plugin, const clap_plugin_params_t* params,
                                     const ControllerParam& spec, double plain);

} // namespace fennrow::vst3
