#include "presets/preset_file.h"

#include "archive/package_reader.h"
#include "presets/sound_loader.h"

namespace fennrow {

PresetFileRead readPresetFile(std::string_view location) {
    PresetFileRead read;
    FileRead file = readFile(location, kMaxPackageBytes, packageByteLimit);
    read.status = file.status;
    if (file.status == FileReadStatus::Read) {
        read.sound = loadSound(read.document, file.bytes.data(), file.bytes.size(), read.findings);
    }
    return read;
}

std::string presetRefusal(const PresetFileRead& read, std::string_view location) {
    const std::string shown = locationText(location);
    switch (read.status) {
        case FileReadStatus::CannotOpen: return shown + " cannot be opened";
        case FileReadStatus::TooLarge: return shown + " is too large";
        case FileReadStatus::Read: break;
    }
    for (const Diagnostic& finding : read.findings) {
        if (finding.severity == Severity::Error) {
            return shown + ": " + finding.message;
        }
    }
    return shown + " is not a fennrow preset";
}

} // namespace fennrow
