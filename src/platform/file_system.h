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

// The whole content of a file, or nothing when the path is not well-formed
// UTF-8, names no readable file (a folder is not one), the file holds more
// than maxBytes, or memory for it cannot be had.
std::optional<FileBytes> readWholeFile(std::string_view utf8Path, std::uint64_t maxBytes);

// True when the path is well-formed UTF-8 and names an existing folder.
bool folderExists(std::string_view utf8Path);

// The system's folder separator.
char pathSeparator();

// base + separator + part; no separator is doubled when base already ends
// with one, and an empty base gives part alone.
std::string pathJoin(std::string_view base, std::string_view part);

} // namespace fennrow
