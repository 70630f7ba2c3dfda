#include "render_host.h"

#include <cstdint>

#include "plugin_loader/host_extensions.h"
#include "version.h"

namespace fennrow {
namespace {

void CLAP_ABI paramsRescan(const clap_host_t* host, clap_param_rescan_flags) {
    ++hostLog(host).parameterRescans;
}
void CLAP_ABI paramsClear(const clap_host_t*, clap_id, clap_param_clear_flags) {}
// Parameters are only changed between renders, so there is nothing to flush.
void CLAP_ABI paramsRequestFlush(const clap_host_t*) {}

constexpr clap_host_params_t kHostParams{paramsRescan, paramsClear, paramsRequestFlush};

void CLAP_ABI stateMarkDirty(const clap_host_t* host) { ++hostLog(host).dirtyMarks; }

constexpr clap_host_state_t kHostState{stateMarkDirty};

void CLAP_ABI presetLoadError(const clap_host_t* host, uint32_t, const char*, const char*, int32_t,
                              const char* message) {
    hostLog(host).presetErrors.emplace_back(message ? message : "");
}
void CLAP_ABI presetLoaded(const clap_host_t* host, uint32_t, const char*, const char*) {
    ++hostLog(host).presetsLoaded;
}

constexpr clap_host_preset_load_t kHostPresetLoad{presetLoadError, presetLoaded};

// The render host knows no custom event spaces and never sends such events.
bool CLAP_ABI registryQuery(const clap_host_t*, const char*, uint16_t* spaceId) {
    if (spaceId) *spaceId = UINT16_MAX;
    return false;
}

constexpr clap_host_event_registry_t kHostEventRegistry{registryQuery};

const HostExtension kHostExtensions[] = {
    {CLAP_EXT_PARAMS, &kHostParams},
    {CLAP_EXT_STATE, &kHostState},
    {CLAP_EXT_PRESET_LOAD, &kHostPresetLoad},
    {CLAP_EXT_PRESET_LOAD_COMPAT, &kHostPresetLoad},
    {CLAP_EXT_EVENT_REGISTRY, &kHostEventRegistry},
};

const void* CLAP_ABI hostGetExtension(const clap_host_t*, const char* id) {
    return findHostExtension(kHostExtensions, id);
}

void CLAP_ABI hostRequestRestart(const clap_host_t* host) { hostLog(host).restartRequested = true; }
void CLAP_ABI hostRequestProcess(const clap_host_t*) {}
void CLAP_ABI hostRequestCallback(const clap_host_t* host) { hostLog(host).callbackRequested = true; }

} // namespace

RenderHost::RenderHost() {
    record.clap_version = CLAP_VERSION;
    record.host_data = this;
    record.name = kRenderHostName;
    record.vendor = kRenderHostVendor;
    record.url = "";
    record.version = kRenderHostVersion;
    record.get_extension = hostGetExtension;
    record.request_restart = hostRequestRestart;
    record.request_process = hostRequestProcess;
    record.request_callback = hostRequestCallback;
}

HostLog& hostLog(const clap_host_t* host) { return static_cast<RenderHost*>(host->host_data)->log; }

} // namespace fennrow
