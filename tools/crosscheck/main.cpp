// fennrow-crosscheck: what this system's build of a CLAP plugin makes of every
// factory sound, for comparison with another system's build.
//
//   fennrow-crosscheck --plugin PATH --record FOLDER [--bars N]
//       writes each sound's saved state, values and render into FOLDER and
//       prints the real-time factor of the renders;
//   fennrow-crosscheck --plugin PATH --reload FOLDER
//       loads each state another build recorded in FOLDER, saves it again and
//       checks that the text and the values are the same.
//
// The web build links the plugin in and runs under node: it takes no
// --plugin (the one it has is the one it checks).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "file_io.h"
#include "preset_list.h"
#include "sound_record.h"

#if defined(__EMSCRIPTEN__)
extern "C" const clap_plugin_entry_t clap_entry;
#endif

namespace {

using namespace fennrow;

#if defined(__EMSCRIPTEN__)
constexpr bool kPluginLinkedIn = true;
constexpr char kUsage[] = "usage: fennrow-crosscheck (--record FOLDER [--bars N] | --reload FOLDER)\n";
#else
constexpr bool kPluginLinkedIn = false;
constexpr char kUsage[] =
    "usage: fennrow-crosscheck --plugin PATH (--record FOLDER [--bars N] | --reload FOLDER)\n";
#endif

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

std::shared_ptr<ClapModule> openPlugin(const std::string& path, std::string& error) {
#if defined(__EMSCRIPTEN__)
    return openLinkedClapModule(clap_entry, "fennrow", error);
#else
    return openClapModule(path, error);
#endif
}

int fail(const std::string& message) {
    std::fprintf(stderr, "fennrow-crosscheck: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string plugin, record, reload;
    int bars = 4;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--plugin")
            plugin = argv[i + 1];
        else if (option == "--record")
            record = argv[i + 1];
        else if (option == "--reload")
            reload = argv[i + 1];
        else if (option == "--bars")
            bars = std::atoi(argv[i + 1]);
        else
            return usage();
    }
    if (argc % 2 == 0 || plugin.empty() != kPluginLinkedIn || record.empty() == reload.empty() || bars < 1)
        return usage();

    std::string error;
    std::shared_ptr<ClapModule> module = openPlugin(plugin, error);
    if (!module) return fail(error);
    const std::vector<PresetEntry> sounds = listFactoryPresets(*module, error);
    if (sounds.empty()) return fail(error);

    if (!reload.empty()) {
        int failures = 0;
        for (const PresetEntry& sound : sounds) {
            if (!reloadSound(module, sound.loadKey, reload, error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                ++failures;
            }
        }
        std::printf("%zu states loaded and saved again, %d differ\n", sounds.size(), failures);
        return failures == 0 ? 0 : 1;
    }

    if (!makeFolder(record, error)) return fail(error);
    RecordTiming total;
    for (const PresetEntry& sound : sounds) {
        RecordTiming timing;
        if (!recordSound(module, sound.loadKey, record, bars, timing, error))
            return fail(sound.name + ": " + error);
        std::printf("%-16s real-time factor %6.1f\n", sound.name.c_str(),
                    timing.audioSeconds / timing.wallSeconds);
        total.audioSeconds += timing.audioSeconds;
        total.wallSeconds += timing.wallSeconds;
    }
    std::printf("all sounds       real-time factor %6.1f (%.1f s of audio in %.2f s)\n",
                total.audioSeconds / total.wallSeconds, total.audioSeconds, total.wallSeconds);
    return 0;
}
