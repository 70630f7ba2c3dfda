// fennrow-studio: a sound-design page for the plugin, served on 127.0.0.1.

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <thread>

#include "commands.h"
#include "options.h"
#include "picture.h"
#include "request_rules.h"
#include "studio_options.h"
#include "studio_server.h"

namespace {

using namespace fennrow;

constexpr int kExitOkay = 0;
constexpr int kExitError = 1;
constexpr int kExitBadUsage = 2;

int complain(const std::string& message) {
    std::fprintf(stderr, "fennrow-studio: %s\n", message.c_str());
    return kExitError;
}

// A private folder for render files, removed at the end.
struct ScratchFolder {
    std::string path;
    ~ScratchFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

int run(int argc, char** argv) {
    const StudioParse parsed = parseStudioOptions(argc, argv);
    if (!parsed.options) {
        std::fprintf(stderr, "fennrow-studio: %s\n", parsed.error.c_str());
        return kExitBadUsage;
    }
    const StudioOptions& o = *parsed.options;
    if (o.help) {
        std::fputs(studioUsage().c_str(), stdout);
        return kExitOkay;
    }
    std::string error;
    std::optional<SoundFolder> folder = openSoundFolder(o.folder, error);
    if (!folder) return complain(error);
    Options renderOptions;
    renderOptions.pluginPath = o.pluginPath;
    std::optional<StudioPlugin> plugin = openStudioPlugin(pluginPathFor(renderOptions), error);
    if (!plugin) return complain(error);

    ScratchFolder scratch;
    std::string pattern = (std::filesystem::temp_directory_path() / "fennrow-studio-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return complain("cannot make a folder for renders in " + pattern);
    scratch.path = pattern;

    // Interrupts are taken by a thread of their own, which stops the server,
    // so the scratch folder is removed on the way out.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    StudioServerHandle server =
        bindStudio(StudioSetup{std::move(*plugin), *folder, makeToken(), scratch.path}, o.port, error);
    if (!server) return complain(error);
    std::printf("%s\n", pageAddress(*server).c_str());
    std::fprintf(stderr, "fennrow-studio: sounds in %s; Ctrl+C ends\n", folder->root.c_str());
    std::fflush(stdout);

    std::thread waiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        stopStudio(*server);
    });
    runStudio(*server);
    // The server also ends when it fails; then wake the waiter to let it go.
    ::kill(::getpid(), SIGTERM);
    waiter.join();
    return kExitOkay;
}

} // namespace

int main(int argc, char** argv) {
    int code = kExitError;
    try {
        code = run(argc, argv);
    } catch (const std::exception& e) {
        code = complain(e.what());
    }
    fennrow::releasePictureCaches();
    return code;
}
