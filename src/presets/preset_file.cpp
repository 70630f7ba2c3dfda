#include "presets/preset_file.h"

#include "archive/package_reader.h"
#include "presets/sound_loader.h"

namespace fennrow::presets {

PresetFileRead readPresetFile(std::string_view location) {
    PresetFileRead read;
    platform::FileRead file =
        platform::readFile(location, archive::kMaxPackageBytes, archive::packageByteLimit);
    read.status = file.status;
    if (file.status == platform::FileReadStatus::Read) {
        read.sound = loadSound(read.document, file.bytes.data(), file.bytes.size(), read.findings);
    }
    return read;
}

std::string presetRefusal(const PresetFileRead& read, std::string_view location) {
    const std::string shown = platform::locationText(location);
    switch (read.status) {
        case platform::FileReadStatus::CannotOpen: return shown + " cannot be opened";
        case platform::FileReadStatus::TooLarge: return shown + " is too large";
        case platform::FileReadStatus::Read: break;
    }
    for (const document::Diagnostic& finding : read.findings) {
        if (finding.severity == document::Severity::Error) {
            return shown + ": " + finding.message;
        }
    }
    return shown + " is not a fennrow preset";
}

} // namespace fennrow::presets
