// Whole-file reading and writing for the render host.
#pragma once

#include <optional>
#include <string>

namespace fennrow {

std::optional<std::string> readWholeFile(const std::string& path, std::string& error);
bool writeWholeFile(const std::string& path, const std::string& bytes, std::string& error);

// Makes the folder (and its parents) if missing.
bool makeFolder(const std::string& path, std::string& error);

} // namespace fennrow
