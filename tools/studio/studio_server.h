// The studio's HTTP server: the page's files and its JSON interface, on the
// loopback address only, behind the access rules.
#pragma once

#include <memory>
#include <string>

#include "request_rules.h"
#include "sound_folder.h"
#include "studio_plugin.h"

namespace fennrow {

// Largest request body; a sound with its curves is a few kilobytes.
constexpr std::size_t kMaxRequestBytes = std::size_t{256} << 10;

struct StudioSetup {
    StudioPlugin plugin;
    SoundFolder folder;
    std::string token;
    std::string scratch; // a private folder for render files
};

class StudioServer;

struct StudioServerDeleter {
    void operator()(StudioServer* server) const;
};
using StudioServerHandle = std::unique_ptr<StudioServer, StudioServerDeleter>;

// Binds 127.0.0.1:port (0: any free port); nothing, with the reason, when the
// port cannot be had.
StudioServerHandle bindStudio(StudioSetup setup, int port, std::string& error);

int boundPort(const StudioServer& server);

// The page's address with the token.
std::string pageAddress(const StudioServer& server);

// Serves until stopStudio is called (from any thread).
void runStudio(StudioServer& server);
void stopStudio(StudioServer& server);

} // namespace fennrow
