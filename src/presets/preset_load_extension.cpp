#include "presets/preset_load_extension.h"

namespace fennrow {
namespace {

bool presetFromLocation(const clap_plugin_t *, uint32_t, const char *, const char *) {
   return false;
}

} // namespace

const clap_plugin_preset_load_t kPresetLoadExtension = {presetFromLocation};

} // namespace fennrow
