// One preset file read whole and run through loadSound: shared by preset
// loading on the main thread and preset discovery on the indexing thread.
#pragma once

#include "document/diagnostics.h"
#include "document/instance_document.h"
#include "engine/sound.h"
#include "platform/file_system.h"

#include <optional>
#include <string>
#include <string_view>

namespace fennrow::presets {

struct PresetFileRead {
    platform::FileReadStatus status =
        platform::FileReadStatus::CannotOpen;   // whether the file could be read whole
    std::optional<engine::SoundSnapshot> sound; // set when it holds a fennrow instance
    document::InstanceDocument document;        // the document read, when sound is set
    document::DiagnosticList findings;
};

// Reads the file, never more of it than a package can be (a bare document
// of more than 4 MiB, or an archive of more than 2 GiB, is too large).
PresetFileRead readPresetFile(std::string_view location);

// Why a preset file gave no sound, for a person: the location
// (as locationText shows it), then that it cannot be opened, is too large,
// the message of the first Error finding, or that it is not a fennrow preset.
std::string presetRefusal(const PresetFileRead& read, std::string_view location);

} // namespace fennrow::presets
