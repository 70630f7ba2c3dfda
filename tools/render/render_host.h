// The host side of the CLAP boundary: the host record handed to the plugin and
// the host extensions it may ask for (params, state, preset-load, event
// registry). It records what the plugin tells it, so that the render host can
// report a refused preset with the plugin's own message.
#pragma once

#include <clap/clap.h>

#include <string>
#include <vector>

namespace fennrow {

struct HostLog {
    std::vector<std::string> presetErrors; // messages of preset-load on_error, in order
    int presetsLoaded = 0;
    int parameterRescans = 0;
    int dirtyMarks = 0;
    bool callbackRequested = false;
    bool restartRequested = false;
};

struct RenderHost {
    clap_host_t record{}; // host_data points back to this object
    HostLog log;

    RenderHost();
    RenderHost(const RenderHost&) = delete;
    RenderHost& operator=(const RenderHost&) = delete;
};

HostLog& hostLog(const clap_host_t* host);

} // namespace fennrow
