// One plugin instance driven by the render host: created through the plugin
// factory, initialised, given a sound (factory preset, preset file or saved
// state), parameters set, activated and processed. Everything goes through
// the CLAP records, as in a DAW.
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "param_info.h"
#include "plugin_loader/clap_module.h"
#include "render_host.h"

namespace fennrow {

struct PluginExtensions {
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_preset_load_t* presetLoad = nullptr;
    const clap_plugin_audio_ports_t* audioPorts = nullptr;
    const clap_plugin_note_ports_t* notePorts = nullptr;
};

struct PluginSession {
    std::shared_ptr<ClapModule> module; // kept open while the instance lives
    RenderHost host;
    const clap_plugin_t* plugin = nullptr;
    PluginExtensions extensions;
    uint32_t outputChannels = 2;
    bool active = false;
    bool processing = false;

    PluginSession() = default;
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;
    // Stops, deactivates and destroys the instance in the order CLAP requires.
    ~PluginSession();
};

// Creates and initialises the library's first plugin. Nothing on failure.
std::unique_ptr<PluginSession> createSession(std::shared_ptr<ClapModule> module, std::string& error);

std::string pluginName(const PluginSession& session);

// Sound choices. Each returns false with a one-line reason in `error`; a
// refused preset's reason is the plugin's own message when it sent one.
bool loadFactoryPreset(PluginSession& session, const std::string& name, std::string& error);
bool loadPresetFile(PluginSession& session, const std::string& path, std::string& error);
bool loadState(PluginSession& session, const std::string& bytes, std::string& error);
std::optional<std::string> saveState(PluginSession& session, std::string& error);

std::vector<ParamInfo> listParams(const PluginSession& session);
double paramValue(const PluginSession& session, clap_id id);
std::string paramValueText(const PluginSession& session, clap_id id, double value);

// A value given as text ("0.25", "0.06 s", "8 bars"), read by the plugin's
// text_to_value or else as a plain number.
std::optional<double> paramValueFromText(const PluginSession& session, const ParamInfo& param,
                                         const std::string& text);

struct ParamValue {
    const ParamInfo* param = nullptr;
    double value = 0.0;
};

// Sets values while the plugin is inactive, through the params flush.
bool flushParams(PluginSession& session, const std::vector<ParamValue>& values, std::string& error);

bool activateSession(PluginSession& session, double sampleRate, uint32_t maxFrames, std::string& error);
void deactivateSession(PluginSession& session);

// Runs the plugin's main-thread callback if it asked for one.
void serviceMainThread(PluginSession& session);

struct BlockResult {
    bool processed = false;           // false: the plugin reported an error
    std::size_t nonFiniteSamples = 0; // written as NaN or infinite, now silence
};

// One process call of the active session: `frames` frames into `left` and
// `right`, with the block's transport and events (the plugin's output events
// are dropped). A mono plugin's one channel is copied to the right, and a
// sample that is not finite becomes silence, so that what the host hands on
// is always playable.
BlockResult processBlock(PluginSession& session, float* left, float* right, uint32_t frames,
                         int64_t steadyTime, const clap_event_transport_t& transport,
                         const clap_input_events_t& events);

} // namespace fennrow
