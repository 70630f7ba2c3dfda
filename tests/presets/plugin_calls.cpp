#include "plugin_calls.h"

#include "presets/preset_load_extension.h"
#include "presets/state_extension.h"
#include "support/streams.h"

namespace fennrow::test {

std::string saveState(const test::TestPlugin& plugin) {
    test::OutputStream out;
    return presets::kStateExtension.save(plugin.plugin, out.clap()) ? out.bytes : std::string();
}

bool loadState(const test::TestPlugin& plugin, const std::string& bytes) {
    test::InputStream in(bytes);
    return presets::kStateExtension.load(plugin.plugin, in.clap());
}

bool loadPreset(const test::TestPlugin& plugin, std::uint32_t kind, const char* location, const char* key) {
    return presets::kPresetLoadExtension.from_location(plugin.plugin, kind, location, key);
}

std::vector<double> paramValues(const test::TestPlugin& plugin) {
    const auto* params = plugin.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    std::vector<double> values;
    for (clap_id id = 1; id <= 23; ++id) {
        double value = -1.0;
        params->get_value(plugin.plugin, id, &value);
        values.push_back(value);
    }
    return values;
}

} // namespace fennrow::test
