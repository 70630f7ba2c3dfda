// Any bytes given to loadSound either load or are refused without harm; what
// loads saves to a text that loads again to the same sound and saves to the
// same bytes.
#include "presets/sound_loader.h"
#include "presets/sound_writer.h"

#include <cstdlib>
#include <cstring>

using namespace fennrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InstanceDocument retained;
    DiagnosticList findings;
    const std::optional<SoundSnapshot> sound = loadSound(retained, data, size, findings);
    if (!sound) {
        return 0;
    }
    const std::string first = writeSoundDocument(retained, *sound, std::nullopt);
    InstanceDocument again;
    DiagnosticList moreFindings;
    const std::optional<SoundSnapshot> reloaded =
        loadSound(again, reinterpret_cast<const std::uint8_t*>(first.data()), first.size(), moreFindings);
    if (!reloaded || std::memcmp(&*reloaded, &*sound, sizeof(SoundSnapshot)) != 0) {
        std::abort();
    }
    if (writeSoundDocument(again, *reloaded, std::nullopt) != first) {
        std::abort();
    }
    return 0;
}
