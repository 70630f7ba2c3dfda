// The file services the plugin asks of the operating system. Paths are UTF-8
// everywhere in the plugin; a system with UTF-16 file names converts them
// behind these functions. Nothing outside this folder knows which system runs.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/capped_read.h"
#include <string>
#include <string_view>
#include <vector>

namespace fennrow::platform {

enum class FileReadStatus {
    Read,       // the whole content is in `bytes`
    CannotOpen, // see readFile
    TooLarge,   // the file holds (or claims) more than the limit
};

struct FileRead {
    FileReadStatus status = FileReadStatus::CannotOpen;
    FileBytes bytes; // empty unless read
};

// The whole content of a file of at most `maxBytes` (lowered by `headLimit`
// from its first bytes, when given). It cannot be opened when the path cannot
// be read (not well-formed UTF-8, or on Windows neither UTF-8 nor the ANSI
// code page), names no readable file (a folder, a pipe or a device is not
// one), the read fails or memory for it cannot be had. Whatever size the file
// claims, at most the limit plus one byte is read.
FileRead readFile(std::string_view utf8Path, std::uint64_t maxBytes, HeadLimit headLimit = nullptr);

// The read of a file that is open, behind the system's own readFile.
FileRead readOpenedFile(const ByteSource& source, std::uint64_t maxBytes, HeadLimit headLimit);

// The content as readFile gives it, or nothing when it was not read.
std::optional<FileBytes> readWholeFile(std::string_view utf8Path, std::uint64_t maxBytes);

// True when the path can be read as readWholeFile reads it and names an
// existing folder.
bool folderExists(std::string_view utf8Path);

// A location as text for a person (in a message, as a preset name): well-formed
// UTF-8 as it is; on Windows a location in the ANSI code page decoded from it;
// whatever is still not well-formed replaced by U+FFFD.
std::string locationText(std::string_view location);

// The system's folder separator.
char pathSeparator();

// base + separator + part; no separator is doubled when base already ends
// with one, and an empty base gives part alone.
std::string pathJoin(std::string_view base, std::string_view part);

} // namespace fennrow::platform
