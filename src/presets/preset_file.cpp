#include "presets/preset_file.h"

#include "platform/file_system.h"
#include "presets/sound_loader.h"

namespace fennrow {

PresetFileRead readPresetFile(std::string_view location) {
    PresetFileRead read;
    std::optional<FileBytes> bytes = readWholeFile(location, kMaxPresetFileBytes);
    if (!bytes) {
        return read;
    }
    read.opened = true;
    read.sound = loadSound(read.document, bytes->data(), bytes->size(), read.findings);
    return read;
}

std::optional<std::string> firstErrorMessage(const DiagnosticList& findings) {
    for (const Diagnostic& finding : findings) {
        if (finding.severity == Severity::Error) {
            return finding.message;
        }
    }
    return std::nullopt;
}

} // namespace fennrow
