// The command line of fennrow-studio: [--port N] [--plugin PATH] FOLDER.
#pragma once

#include <optional>
#include <string>

namespace fennrow {

struct StudioOptions {
    int port = 0;           // 0: any free port
    std::string pluginPath; // empty: the fennrow.clap of this build
    std::string folder;     // the sound folder; nothing outside it is read or written
    bool help = false;
};

struct StudioParse {
    std::optional<StudioOptions> options;
    std::string error; // one line, when options is empty
};

StudioParse parseStudioOptions(int argc, const char* const* argv);

std::string studioUsage();

} // namespace fennrow
