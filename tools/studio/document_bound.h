// What the studio agrees to open: a bare document of at most
// kMaxDocumentTextBytes, or a zip package whose instance document unpacks to
// at most that and whose entries unpack to at most kMaxPackageUnpackedBytes.
// Checked before any document is read, from the sizes a package declares,
// so a small file that would unpack to gigabytes costs nothing.
#pragma once

#include <optional>
#include <string>

#include "sound_folder.h"

namespace fennrow {

constexpr std::size_t kMaxPackageUnpackedBytes = 2 * kMaxDocumentBytes;

// Why the bytes are beyond the bounds, for the page; nothing when they are
// within them (whether they are a usable document is the plugin's to say).
std::optional<std::string> documentBoundProblem(const std::string& bytes);

// "1 MB", "300 kB": a size for people.
std::string sizeText(std::size_t bytes);

} // namespace fennrow
