// The one folder the studio reads and writes. Names come from the page as
// relative paths ("bass/wobble.json"); a name that is absolute, climbs out with
// "..", or leads through a link to a place outside the folder is refused, and
// nothing is ever written through a link. Every name is resolved by the
// kernel relative to the folder's own descriptor and never above it, so a
// folder swapped for a link while a request runs leads nowhere outside.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow {

struct SoundFolder {
    std::filesystem::path root; // canonical, no trailing separator
    int fd = -1;                // the folder itself, open for the program's life
};

// Largest file the studio opens: a zip package may carry assets.
constexpr std::size_t kMaxDocumentBytes = std::size_t{16} << 20;
// Largest document text (bare, or unpacked from a package) the studio opens
// or saves. A sound with its curves and an audition is a few kilobytes; every
// byte of JSON may cost a hundred in memory once it is read.
constexpr std::size_t kMaxDocumentTextBytes = std::size_t{1} << 20;
// At most this many documents are listed to the page at once: the first in
// order of those whose names match what the page asked for.
constexpr std::size_t kMaxListedDocuments = 2000;
// At most this many names are kept from a walk of the folder (the first in
// order), for the page to search by name.
constexpr std::size_t kMaxIndexedDocuments = 200000;

std::optional<SoundFolder> openSoundFolder(const std::string& path, std::string& error);

// True when `name` is a plain relative path in UTF-8: not empty, no leading
// "/", no "\\", no empty, "." or ".." part, no control character.
bool isPlainRelativeName(std::string_view name);

// The bytes of an existing regular file inside the folder.
std::optional<std::string> readFromFolder(const SoundFolder& folder, std::string_view name,
                                          std::string& error);

enum class WriteOutcome { Written, Exists, Refused };

// Writes a ".json" file inside the folder (its parent folder must exist).
// Without `overwrite` an existing file is left alone and Exists is returned.
// An existing file is replaced only when the system lets this user write it.
// `error` says why a write failed, as the system gave it.
WriteOutcome writeToFolder(const SoundFolder& folder, std::string_view name, const std::string& bytes,
                           bool overwrite, std::string& error);

struct DocumentList {
    std::vector<std::string> names; // sorted
    bool cut = false;               // more documents were found than are listed
};

// The ".json" and ".zip" files below the folder, as relative names, the
// first kMaxIndexedDocuments in order; links to
// folders are not followed, a link to a file is listed under its own name.
// A walk ends early, with what it found so far, once `stop` is set.
DocumentList listDocuments(const SoundFolder& folder, const std::atomic<bool>* stop = nullptr);

} // namespace fennrow
