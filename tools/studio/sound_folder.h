#pragma once
// The one folder the studio reads and writes. Names come from the page as
// relative paths ("bass/wobble.json"); a name that is absolute, climbs out with
// "..", or leads through a link to a place outside the folder is refused, and
// nothing is ever written through a link.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow {

struct SoundFolder {
    std::filesystem::path root; // canonical, no trailing separator
};

// Largest document the studio opens; a sound is a few kilobytes.
constexpr std::size_t kMaxDocumentBytes = std::size_t{16} << 20;
// At most this many documents are listed.
constexpr std::size_t kMaxListedDocuments = 2000;

std::optional<SoundFolder> openSoundFolder(const std::string& path, std::string& error);

// True when `name` is a plain relative path: not empty, no leading "/", no
// "\\", no empty, "." or ".." part, no control character.
bool isPlainRelativeName(std::string_view name);

// The bytes of an existing regular file inside the folder.
std::optional<std::string> readFromFolder(const SoundFolder& folder, std::string_view name,
                                          std::string& error);

enum class WriteOutcome { Written, Exists, Refused };

// Writes a ".json" file inside the folder (its parent folder must exist).
// Without `overwrite` an existing file is left alone and Exists is returned.
WriteOutcome writeToFolder(const SoundFolder& folder, std::string_view name, const std::string& bytes,
                           bool overwrite, std::string& error);

// The ".json" and ".zip" files below the folder, as relative names, sorted;
// links to folders are not followed.
std::vector<std::string> listDocuments(const SoundFolder& folder);

} // namespace fennrow
