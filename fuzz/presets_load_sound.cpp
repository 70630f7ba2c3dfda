// Any bytes given to loadSound either load or are refused without harm; what
// loads saves to a text that loads again to the same sound and saves to the
// same bytes.
#include "presets/sound_loader.h"
#include "presets/sound_writer.h"

#include <cstdlib>
#include <cstring>

using namespace fennrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    document::InstanceDocument retained;
    document::DiagnosticList findings;
    const std::optional<engine::SoundSnapshot> sound = presets::loadSound(retained, data, size, findings);
    if (!sound) {
        return 0;
    }
    const std::string first = presets::writeSoundDocument(retained, *sound, std::nullopt);
    document::InstanceDocument again;
    document::DiagnosticList moreFindings;
    const std::optional<engine::SoundSnapshot> reloaded = presets::loadSound(
        again, reinterpret_cast<const std::uint8_t*>(first.data()), first.size(), moreFindings);
    if (!reloaded || std::memcmp(&*reloaded, &*sound, sizeof(engine::SoundSnapshot)) != 0) {
        std::abort();
    }
    if (presets::writeSoundDocument(again, *reloaded, std::nullopt) != first) {
        std::abort();
    }
    return 0;
}
