// What one build of the plugin makes of one factory sound, written as files
// that another build's record can be compared with: the saved state text,
// every parameter's value and value text, and the demo bass line rendered
// through the CLAP interface.
#pragma once

#include <string>

#include "plugin_loader/clap_module.h"

namespace fennrow {

struct RecordTiming {
    double audioSeconds = 0.0;
    double wallSeconds = 0.0;
};

// Writes FOLDER/<slug>.state.json, <slug>.values.txt and <slug>.f32
// (interleaved stereo 32-bit floats, little-endian) for the factory sound.
bool recordSound(const std::shared_ptr<ClapModule>& module, const std::string& soundName,
                 const std::string& folder, int bars, RecordTiming& timing, std::string& error);

// Loads the state another build saved for the sound, saves it again and
// compares the two texts byte for byte; false with the difference in `error`.
bool reloadSound(const std::shared_ptr<ClapModule>& module, const std::string& soundName,
                 const std::string& folder, std::string& error);

std::string soundSlug(const std::string& name);

} // namespace fennrow
