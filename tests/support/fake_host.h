// A CLAP host record for tests: each host extension the plugin may ask for can
// be switched on or off, and every call the plugin makes is recorded.
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fennrow::test {

enum class PresetLoadOffer { None, Stable, DraftOnly, Both };

struct PresetLoadCall {
    uint32_t locationKind = 0;
    std::string location; // "(null)" when the plugin passed null
    std::string loadKey;  // "(null)" when the plugin passed null
    int32_t osError = 0;  // on_error only
    std::string message;  // on_error only
};

class FakeHost {
public:
    FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    const clap_host_t* clap() const { return &host_; }
    static FakeHost* from(const clap_host_t* host);

    // Switches, read at the moment the plugin asks.
    bool offerParams = true;
    bool offerState = true;
    PresetLoadOffer offerPresetLoad = PresetLoadOffer::Stable;
    bool offerEventRegistry = true;
    bool registryKnowsSpace = true; // the registry answers our space name
    uint16_t registrySpaceId = 7;   // the id it hands out

    // Every call, in order, as "function argument..." lines.
    std::vector<std::string> calls;
    std::vector<std::string> extensionQueries;
    std::vector<std::string> registryQueries;
    std::vector<uint32_t> rescans;
    int markDirtyCount = 0;
    std::function<void()> onRescan; // runs inside params.rescan, to see what the host would read
    std::vector<PresetLoadCall> presetsLoaded;
    std::vector<PresetLoadCall> presetErrors;

    int count(const std::string& callPrefix) const;

private:
    clap_host_t host_{};
};

} // namespace fennrow::test
