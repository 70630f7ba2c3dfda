// A fake preset indexer and metadata receiver that record every call as text,
// plus a scratch folder and a scoped APPDATA for discovery tests.
#pragma once

#include "support/test_platform.h"

#include <clap/clap.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fennrow::test {

struct FakeIndexer {
    FakeIndexer();
    clap_preset_discovery_indexer_t record{};
    std::vector<std::string> calls; // "filetype name|description|ext", "location flags|name|kind|path"
};

struct FakeReceiver {
    FakeReceiver();
    clap_preset_discovery_metadata_receiver_t record{};
    std::vector<std::string>
        calls;              // "begin name|key", "plugin abi:id", "feature f", "creator c", "error code msg"
    int refuseBeginAt = -1; // begin_preset answers false on this call (0-based)
    int begins = 0;
};

// A fresh folder under the system's temporary folder, removed at the end.
struct ScratchFolder {
    ScratchFolder();
    ~ScratchFolder();
    std::string write(const std::string& name, const std::string& content) const;
    std::filesystem::path path;
};

// A location ending in the Latin-1 name "caf\xE9.json" as a message shows it:
// read in the ANSI code page (1252) on Windows, elsewhere with U+FFFD for
// the byte that is not UTF-8.
std::string shownLatin1(const std::string& location);

// Sets (or unsets, with nullopt) APPDATA for the scope and restores it after.
struct ScopedAppData : test::ScopedEnvironment {
    explicit ScopedAppData(const std::optional<std::string>& value) : ScopedEnvironment("APPDATA", value) {}
};

} // namespace fennrow::test
