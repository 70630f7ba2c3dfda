// The file services the plugin asks of the operating system. Paths are UTF-8
// everywhere in the plugin; a system with UTF-16 file names converts them
// behind these functions. Nothing outside this folder knows which system runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow {

using FileBytes = std::vector<std::uint8_t>;

// The whole content of a file, or nothing when the path cannot be read (not
// well-formed UTF-8, or on Windows neither UTF-8 nor the ANSI code page), names no readable file (a folder is
// not one), the file holds more than maxBytes, or memory for it cannot be had.
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

} // namespace fennrow
