// The functions behind the plugin record, shared between the files that
// implement them and the table that lists them.
#pragma once

#include <clap/clap.h>

namespace fennrow::plugin {

bool pluginInit(const clap_plugin_t* plugin);
void pluginDestroy(const clap_plugin_t* plugin);
bool pluginActivate(const clap_plugin_t* plugin, double sampleRate, uint32_t minFrames, uint32_t maxFrames);
void pluginDeactivate(const clap_plugin_t* plugin);
bool pluginStartProcessing(const clap_plugin_t* plugin);
void pluginStopProcessing(const clap_plugin_t* plugin);
void pluginReset(const clap_plugin_t* plugin);
clap_process_status pluginProcess(const clap_plugin_t* plugin, const clap_process_t* process);
void pluginOnMainThread(const clap_plugin_t* plugin);

} // namespace fennrow::plugin
