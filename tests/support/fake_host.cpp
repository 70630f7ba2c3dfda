#include "support/fake_host.h"

#include "plugin_loader/host_extensions.h"

#include <cstring>

namespace fennrow::test {
namespace {

std::string orNull(const char* text) { return text != nullptr ? text : "(null)"; }

void paramsRescan(const clap_host_t* host, clap_param_rescan_flags flags) {
    FakeHost* self = FakeHost::from(host);
    self->calls.push_back("params.rescan " + std::to_string(flags));
    self->rescans.push_back(flags);
    if (self->onRescan) self->onRescan();
}

void paramsClear(const clap_host_t* host, clap_id id, clap_param_clear_flags flags) {
    FakeHost::from(host)->calls.push_back("params.clear " + std::to_string(id) + " " + std::to_string(flags));
}

void paramsRequestFlush(const clap_host_t* host) {
    FakeHost::from(host)->calls.push_back("params.request_flush");
}

void stateMarkDirty(const clap_host_t* host) {
    FakeHost* self = FakeHost::from(host);
    self->calls.push_back("state.mark_dirty");
    ++self->markDirtyCount;
}

void presetOnError(const clap_host_t* host, uint32_t kind, const char* location, const char* loadKey,
                   int32_t osError, const char* message) {
    FakeHost* self = FakeHost::from(host);
    self->calls.push_back("preset_load.on_error " + std::to_string(kind) + " " + orNull(location) + " " +
                          orNull(loadKey) + " " + std::to_string(osError) + " " + orNull(message));
    self->presetErrors.push_back({kind, orNull(location), orNull(loadKey), osError, orNull(message)});
}

void presetLoaded(const clap_host_t* host, uint32_t kind, const char* location, const char* loadKey) {
    FakeHost* self = FakeHost::from(host);
    self->calls.push_back("preset_load.loaded " + std::to_string(kind) + " " + orNull(location) + " " +
                          orNull(loadKey));
    self->presetsLoaded.push_back({kind, orNull(location), orNull(loadKey), 0, ""});
}

bool registryQuery(const clap_host_t* host, const char* name, uint16_t* id) {
    FakeHost* self = FakeHost::from(host);
    self->calls.push_back("event_registry.query " + orNull(name));
    self->registryQueries.push_back(orNull(name));
    if (!self->registryKnowsSpace || name == nullptr || std::strcmp(name, "com.brightmoss.events/1") != 0) {
        *id = UINT16_MAX;
        return false;
    }
    *id = self->registrySpaceId;
    return true;
}

const clap_host_params_t kHostParams = {paramsRescan, paramsClear, paramsRequestFlush};
const clap_host_state_t kHostState = {stateMarkDirty};
const clap_host_preset_load_t kHostPresetLoad = {presetOnError, presetLoaded};
const clap_host_event_registry_t kHostEventRegistry = {registryQuery};

const void* getExtension(const clap_host_t* host, const char* id) {
    FakeHost* self = FakeHost::from(host);
    const std::string name = orNull(id);
    self->calls.push_back("get_extension " + name);
    self->extensionQueries.push_back(name);
    const bool stable =
        self->offerPresetLoad == PresetLoadOffer::Stable || self->offerPresetLoad == PresetLoadOffer::Both;
    const bool draft =
        self->offerPresetLoad == PresetLoadOffer::DraftOnly || self->offerPresetLoad == PresetLoadOffer::Both;
    const HostExtension offered[] = {
        {CLAP_EXT_PARAMS, self->offerParams ? &kHostParams : nullptr},
        {CLAP_EXT_STATE, self->offerState ? &kHostState : nullptr},
        {CLAP_EXT_PRESET_LOAD, stable ? &kHostPresetLoad : nullptr},
        {CLAP_EXT_PRESET_LOAD_COMPAT, draft ? &kHostPresetLoad : nullptr},
        {CLAP_EXT_EVENT_REGISTRY, self->offerEventRegistry ? &kHostEventRegistry : nullptr},
    };
    return findHostExtension(offered, id);
}

void requestRestart(const clap_host_t* host) { FakeHost::from(host)->calls.push_back("request_restart"); }
void requestProcess(const clap_host_t* host) { FakeHost::from(host)->calls.push_back("request_process"); }
void requestCallback(const clap_host_t* host) { FakeHost::from(host)->calls.push_back("request_callback"); }

} // namespace

FakeHost::FakeHost() {
    host_.clap_version = CLAP_VERSION;
    host_.host_data = this;
    host_.name = "fennrow test host";
    host_.vendor = "fennrow tests";
    host_.url = "";
    host_.version = "1.0";
    host_.get_extension = getExtension;
    host_.request_restart = requestRestart;
    host_.request_process = requestProcess;
    host_.request_callback = requestCallback;
}

FakeHost* FakeHost::from(const clap_host_t* host) { return static_cast<FakeHost*>(host->host_data); }

int FakeHost::count(const std::string& callPrefix) const {
    int n = 0;
    for (const std::string& call : calls) {
        if (call.compare(0, callPrefix.size(), callPrefix) == 0) ++n;
    }
    return n;
}

} // namespace fennrow::test
