#include "fake_plugin_host.h"

#include "plugin/plugin_instance.h"
#include "presets/preset_load_extension.h"
#include "presets/state_extension.h"

#include <algorithm>
#include <cstring>

namespace fennrow::testing {

namespace {

RecordingHost& hostOf(const clap_host_t* host) {
    return *static_cast<RecordingHost*>(host->host_data);
}

std::string textOr(const char* text) {
    return text != nullptr ? text : "(null)";
}

} // namespace

RecordingHost::RecordingHost(bool offer) : offerPresetLoad(offer) {
    record.clap_version = CLAP_VERSION_INIT;
    record.host_data = this;
    record.name = "recording host";
    record.vendor = "tests";
    record.url = "";
    record.version = "1";
    record.get_extension = [](const clap_host_t* host, const char* id) -> const void* {
        RecordingHost& self = hostOf(host);
        if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &self.params;
        if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &self.state;
        if (std::strcmp(id, CLAP_EXT_PRESET_LOAD) == 0 && self.offerPresetLoad) return &self.presetLoad;
        return nullptr;
    };
    record.request_restart = [](const clap_host_t*) {};
    record.request_process = [](const clap_host_t*) {};
    record.request_callback = [](const clap_host_t*) {};
    params.rescan = [](const clap_host_t* host, clap_param_rescan_flags flags) {
        hostOf(host).calls.push_back("rescan " + std::to_string(flags));
    };
    params.clear = [](const clap_host_t*, clap_id, clap_param_clear_flags) {};
    params.request_flush = [](const clap_host_t*) {};
    state.mark_dirty = [](const clap_host_t* host) { hostOf(host).calls.push_back("dirty"); };
    presetLoad.on_error = [](const clap_host_t* host, uint32_t kind, const char* location, const char* key,
                             int32_t code, const char* message) {
        hostOf(host).calls.push_back("error " + std::to_string(kind) + "|" + textOr(location) + "|" + textOr(key) +
                                     "|" + std::to_string(code) + "|" + textOr(message));
    };
    presetLoad.loaded = [](const clap_host_t* host, uint32_t kind, const char* location, const char* key) {
        hostOf(host).calls.push_back("loaded " + std::to_string(kind) + "|" + textOr(location) + "|" + textOr(key));
    };
}

ScopedPlugin::ScopedPlugin(RecordingHost& host) {
    plugin = createPluginInstance(&host.record, nullptr);
    if (plugin != nullptr) {
        plugin->init(plugin);
    }
}

ScopedPlugin::~ScopedPlugin() {
    if (plugin != nullptr) {
        plugin->destroy(plugin);
    }
}

std::string ScopedPlugin::save() const {
    MemoryOutput out;
    return kStateExtension.save(plugin, &out.record) ? out.bytes : std::string();
}

bool ScopedPlugin::load(const std::string& bytes) const {
    MemoryInput in(bytes);
    return kStateExtension.load(plugin, &in.record);
}

bool ScopedPlugin::loadPreset(std::uint32_t kind, const char* location, const char* key) const {
    return kPresetLoadExtension.from_location(plugin, kind, location, key);
}

std::vector<double> ScopedPlugin::paramValues() const {
    const auto* params = static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    std::vector<double> values;
    for (clap_id id = 1; id <= 23; ++id) {
        double value = -1.0;
        params->get_value(plugin, id, &value);
        values.push_back(value);
    }
    return values;
}

MemoryOutput::MemoryOutput(std::size_t chunkSize, std::size_t failAt, std::int64_t failResult)
    : chunk(chunkSize), failAfter(failAt), failWith(failResult) {
    record.ctx = this;
    record.write = [](const clap_ostream_t* stream, const void* buffer, uint64_t size) -> int64_t {
        auto& self = *static_cast<MemoryOutput*>(stream->ctx);
        if (self.bytes.size() >= self.failAfter) {
            return self.failWith;
        }
        const std::size_t take = std::min<std::uint64_t>({size, self.chunk, self.failAfter - self.bytes.size()});
        self.bytes.append(static_cast<const char*>(buffer), take);
        return static_cast<int64_t>(take);
    };
}

MemoryInput::MemoryInput(std::string text, std::size_t chunkSize, std::size_t failAt)
    : content(std::move(text)), chunk(chunkSize), failAfter(failAt) {
    record.ctx = this;
    record.read = [](const clap_istream_t* stream, void* buffer, uint64_t size) -> int64_t {
        auto& self = *static_cast<MemoryInput*>(stream->ctx);
        if (self.position >= self.failAfter) {
            return -1;
        }
        const std::size_t give = std::min<std::uint64_t>(
            {size, self.chunk, self.content.size() - self.position, self.failAfter - self.position});
        std::memcpy(buffer, self.content.data() + self.position, give);
        self.position += give;
        return static_cast<int64_t>(give);
    };
}

} // namespace fennrow::testing
