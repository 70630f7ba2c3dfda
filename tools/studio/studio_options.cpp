#include "studio_options.h"

#include <charconv>
#include <string_view>

namespace fennrow {
namespace {

constexpr int kMaxPort = 65535;

bool readPort(std::string_view text, int& port) {
    int value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > kMaxPort) return false;
    port = value;
    return true;
}

} // namespace

StudioParse parseStudioOptions(int argc, const char* const* argv) {
    StudioOptions o;
    bool folderGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            return {o, ""};
        }
        if (arg == "--port") {
            if (!hasValue || !readPort(argv[++i], o.port))
                return {std::nullopt, "--port takes a number from 0 to 65535"};
        } else if (arg == "--plugin") {
            if (!hasValue) return {std::nullopt, "--plugin takes the path of a .clap file"};
            o.pluginPath = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            return {std::nullopt, "unknown option " + std::string(arg) + " (see --help)"};
        } else if (folderGiven) {
            return {std::nullopt, "one sound folder only, not also " + std::string(arg)};
        } else {
            o.folder = std::string(arg);
            folderGiven = true;
        }
    }
    if (!folderGiven) return {std::nullopt, "give the sound folder to open and save in (see --help)"};
    return {o, ""};
}

std::string studioUsage() {
    return "Usage: fennrow-studio [--port N] [--plugin PATH] FOLDER\n"
           "Serves a sound-design page for the plugin on 127.0.0.1 and prints its address,\n"
           "with the access token, as the first line. Documents are opened from and saved\n"
           "to FOLDER only. Runs until interrupted.\n"
           "  --port N       the port to listen on (default 0: any free port)\n"
           "  --plugin PATH  the .clap file to load (default: the fennrow.clap of this build)\n";
}

} // namespace fennrow
