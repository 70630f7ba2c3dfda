#include "plugin_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "event_list.h"

namespace fennrow {
namespace {

template <typename T>
const T* extension(const clap_plugin_t* plugin, const char* id) {
    return static_cast<const T*>(plugin->get_extension(plugin, id));
}

std::string lastPresetError(const PluginSession& session, std::size_t before, const std::string& fallback) {
    const auto& errors = session.host.log.presetErrors;
    return errors.size() > before ? errors.back() : fallback;
}

bool fromLocation(PluginSession& session, uint32_t kind, const char* location, const char* key,
                  const std::string& what, std::string& error) {
    if (!session.extensions.presetLoad) {
        error = "the plugin cannot load presets (it has no preset-load extension)";
        return false;
    }
    const std::size_t before = session.host.log.presetErrors.size();
    const bool loaded = session.extensions.presetLoad->from_location(session.plugin, kind, location, key);
    serviceMainThread(session);
    if (!loaded) {
        error = lastPresetError(session, before, "the plugin refused the preset " + what);
        return false;
    }
    return true;
}

struct ByteSink {
    std::string bytes;
};

int64_t CLAP_ABI sinkWrite(const clap_ostream_t* stream, const void* buffer, uint64_t size) {
    auto* sink = static_cast<ByteSink*>(stream->ctx);
    sink->bytes.append(static_cast<const char*>(buffer), static_cast<std::size_t>(size));
    return static_cast<int64_t>(size);
}

struct ByteSource {
    const std::string* bytes;
    std::size_t position = 0;
};

int64_t CLAP_ABI sourceRead(const clap_istream_t* stream, void* buffer, uint64_t size) {
    auto* source = static_cast<ByteSource*>(stream->ctx);
    const std::size_t left = source->bytes->size() - source->position;
    const std::size_t count = std::min<std::size_t>(left, static_cast<std::size_t>(size));
    std::memcpy(buffer, source->bytes->data() + source->position, count);
    source->position += count;
    return static_cast<int64_t>(count);
}

} // namespace

PluginSession::~PluginSession() {
    if (!plugin) return;
    deactivateSession(*this);
    plugin->destroy(plugin);
}

std::unique_ptr<PluginSession> createSession(std::shared_ptr<ClapModule> module, std::string& error) {
    const clap_plugin_factory_t* factory = pluginFactory(*module);
    if (!factory || factory->get_plugin_count(factory) == 0) {
        error = module->path + " offers no plugin";
        return nullptr;
    }
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    if (!descriptor || !descriptor->id) {
        error = module->path + " does not describe its plugin";
        return nullptr;
    }
    auto session = std::make_unique<PluginSession>();
    session->module = std::move(module);
    session->plugin = factory->create_plugin(factory, &session->host.record, descriptor->id);
    if (!session->plugin) {
        error = "the plugin " + std::string(descriptor->id) + " could not be created";
        return nullptr;
    }
    if (!session->plugin->init(session->plugin)) {
        // A plugin whose init failed is destroyed without further calls.
        session->plugin->destroy(session->plugin);
        session->plugin = nullptr;
        error = "the plugin " + std::string(descriptor->id) + " failed to initialise";
        return nullptr;
    }
    PluginExtensions& ext = session->extensions;
    ext.params = extension<clap_plugin_params_t>(session->plugin, CLAP_EXT_PARAMS);
    ext.state = extension<clap_plugin_state_t>(session->plugin, CLAP_EXT_STATE);
    ext.presetLoad = extension<clap_plugin_preset_load_t>(session->plugin, CLAP_EXT_PRESET_LOAD);
    if (!ext.presetLoad) {
        ext.presetLoad = extension<clap_plugin_preset_load_t>(session->plugin, CLAP_EXT_PRESET_LOAD_COMPAT);
    }
    ext.audioPorts = extension<clap_plugin_audio_ports_t>(session->plugin, CLAP_EXT_AUDIO_PORTS);
    ext.notePorts = extension<clap_plugin_note_ports_t>(session->plugin, CLAP_EXT_NOTE_PORTS);

    if (ext.audioPorts) {
        clap_audio_port_info_t info{};
        if (ext.audioPorts->count(session->plugin, false) == 0 ||
            !ext.audioPorts->get(session->plugin, 0, false, &info) || info.channel_count == 0) {
            error = "the plugin has no audio output";
            return nullptr;
        }
        session->outputChannels = std::min<uint32_t>(info.channel_count, 2);
    }
    if (ext.notePorts) {
        clap_note_port_info_t info{};
        if (ext.notePorts->count(session->plugin, true) == 0 ||
            !ext.notePorts->get(session->plugin, 0, true, &info) ||
            (info.supported_dialects & CLAP_NOTE_DIALECT_CLAP) == 0) {
            error = "the plugin takes no CLAP notes";
            return nullptr;
        }
    }
    serviceMainThread(*session);
    return session;
}

std::string pluginName(const PluginSession& session) {
    const clap_plugin_descriptor_t* d = session.plugin->desc;
    return d && d->name ? d->name : "plugin";
}

bool loadFactoryPreset(PluginSession& session, const std::string& name, std::string& error) {
    return fromLocation(session, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, name.c_str(), name, error);
}

bool loadPresetFile(PluginSession& session, const std::string& path, std::string& error) {
    return fromLocation(session, CLAP_PRESET_DISCOVERY_LOCATION_FILE, path.c_str(), nullptr, path, error);
}

bool loadState(PluginSession& session, const std::string& bytes, std::string& error) {
    if (!session.extensions.state) {
        error = "the plugin cannot restore a state (it has no state extension)";
        return false;
    }
    ByteSource source{&bytes};
    clap_istream_t stream{&source, sourceRead};
    const bool loaded = session.extensions.state->load(session.plugin, &stream);
    serviceMainThread(session);
    if (!loaded) {
        error = "the plugin refused the state";
        return false;
    }
    return true;
}

std::optional<std::string> saveState(PluginSession& session, std::string& error) {
    if (!session.extensions.state) {
        error = "the plugin cannot save its state (it has no state extension)";
        return std::nullopt;
    }
    ByteSink sink;
    clap_ostream_t stream{&sink, sinkWrite};
    if (!session.extensions.state->save(session.plugin, &stream)) {
        error = "the plugin failed to save its state";
        return std::nullopt;
    }
    return std::move(sink.bytes);
}

std::vector<ParamInfo> listParams(const PluginSession& session) {
    std::vector<ParamInfo> params;
    const clap_plugin_params_t* ext = session.extensions.params;
    if (!ext) return params;
    const uint32_t count = ext->count(session.plugin);
    for (uint32_t i = 0; i < count; ++i) {
        clap_param_info_t info{};
        if (!ext->get_info(session.plugin, i, &info)) continue;
        info.name[CLAP_NAME_SIZE - 1] = '\0';
        params.push_back(ParamInfo{info.id, info.name, info.min_value, info.max_value, info.default_value,
                                   (info.flags & CLAP_PARAM_IS_STEPPED) != 0, info.cookie});
    }
    return params;
}

double paramValue(const PluginSession& session, clap_id id) {
    double value = 0.0;
    if (session.extensions.params) session.extensions.params->get_value(session.plugin, id, &value);
    return value;
}

std::string paramValueText(const PluginSession& session, clap_id id, double value) {
    char text[CLAP_NAME_SIZE] = {};
    if (session.extensions.params &&
        session.extensions.params->value_to_text(session.plugin, id, value, text, sizeof text)) {
        text[sizeof text - 1] = '\0';
        return text;
    }
    char plain[32];
    std::snprintf(plain, sizeof plain, "%g", value);
    return plain;
}

std::optional<double> paramValueFromText(const PluginSession& session, const ParamInfo& param,
                                         const std::string& text) {
    double value = 0.0;
    if (session.extensions.params &&
        session.extensions.params->text_to_value(session.plugin, param.id, text.c_str(), &value) &&
        std::isfinite(value)) {
        return value;
    }
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool flushParams(PluginSession& session, const std::vector<ParamValue>& values, std::string& error) {
    if (values.empty()) return true;
    if (!session.extensions.params) {
        error = "the plugin has no parameters to set";
        return false;
    }
    EventQueue queue;
    for (const ParamValue& v : values) queue.events.push_back(paramValueEvent(*v.param, v.value, 0));
    const clap_input_events_t in = inputEvents(queue);
    session.extensions.params->flush(session.plugin, &in, &kDiscardedOutput);
    serviceMainThread(session);
    return true;
}

bool activateSession(PluginSession& session, double sampleRate, uint32_t maxFrames, std::string& error) {
    if (!session.plugin->activate(session.plugin, sampleRate, 1, maxFrames)) {
        error = "the plugin refused to start at " + std::to_string(static_cast<long>(sampleRate)) + " Hz";
        return false;
    }
    session.active = true;
    if (!session.plugin->start_processing(session.plugin)) {
        error = "the plugin refused to start processing";
        return false;
    }
    session.processing = true;
    return true;
}

void deactivateSession(PluginSession& session) {
    if (session.processing) session.plugin->stop_processing(session.plugin);
    session.processing = false;
    if (session.active) session.plugin->deactivate(session.plugin);
    session.active = false;
}

void serviceMainThread(PluginSession& session) {
    if (!session.host.log.callbackRequested) return;
    session.host.log.callbackRequested = false;
    session.plugin->on_main_thread(session.plugin);
}

BlockResult processBlock(PluginSession& session, float* left, float* right, uint32_t frames,
                         int64_t steadyTime, const clap_event_transport_t& transport,
                         const clap_input_events_t& events) {
    float* channels[2] = {left, right};
    clap_audio_buffer_t output{};
    output.data32 = channels;
    output.channel_count = session.outputChannels;
    clap_process_t process{};
    process.steady_time = steadyTime;
    process.frames_count = frames;
    process.transport = &transport;
    process.audio_outputs = &output;
    process.audio_outputs_count = 1;
    process.in_events = &events;
    process.out_events = &kDiscardedOutput;
    BlockResult result;
    if (session.plugin->process(session.plugin, &process) == CLAP_PROCESS_ERROR) return result;
    result.processed = true;
    if (session.outputChannels == 1) std::copy_n(left, frames, right);
    for (float* samples : channels) {
        for (uint32_t i = 0; i < frames; ++i) {
            if (!std::isfinite(samples[i])) {
                samples[i] = 0.0f;
                ++result.nonFiniteSamples;
            }
        }
    }
    return result;
}

} // namespace fennrow
