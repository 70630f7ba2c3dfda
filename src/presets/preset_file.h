// One preset file read whole and run through loadSound: shared by preset
// loading on the main thread and preset discovery on the indexing thread.
#pragma once

#include "document/diagnostics.h"
#include "document/instance_document.h"
#include "engine/sound.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fennrow {

// The most a preset file may hold: the most a document package may unpack
// to. Anything larger is refused before it is read.
inline constexpr std::uint64_t kMaxPresetFileBytes = std::uint64_t{2147483648};

struct PresetFileRead {
    bool opened = false;                // the file could be read whole
    std::optional<SoundSnapshot> sound; // set when it holds a fennrow instance
    InstanceDocument document;          // the document read, when sound is set
    DiagnosticList findings;
};

PresetFileRead readPresetFile(std::string_view location);

// The message of the first Error finding, if any.
std::optional<std::string> firstErrorMessage(const DiagnosticList& findings);

} // namespace fennrow
