// A host that records the calls the preset and state extensions make, and a
// plugin instance created and initialised against it; plus in-memory streams.
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fennrow::testing {

struct RecordingHost {
    // Which host extensions the plugin finds at init.
    explicit RecordingHost(bool offerPresetLoad = true);
    clap_host_t record{};
    clap_host_params_t params{};
    clap_host_state_t state{};
    clap_host_preset_load_t presetLoad{};
    bool offerPresetLoad = true;
    std::vector<std::string> calls; // "rescan 1", "dirty", "loaded kind|location|key", "error kind|location|key|code|msg"
};

// One initialised plugin instance, destroyed at the end of the scope.
struct ScopedPlugin {
    explicit ScopedPlugin(RecordingHost& host);
    ~ScopedPlugin();
    ScopedPlugin(const ScopedPlugin&) = delete;
    ScopedPlugin& operator=(const ScopedPlugin&) = delete;

    std::string save() const;                // state save into a string; "" when it fails
    bool load(const std::string& bytes) const; // state load from a string
    bool loadPreset(std::uint32_t kind, const char* location, const char* key) const;
    std::vector<double> paramValues() const;   // get_value for ids 1..23

    const clap_plugin_t* plugin = nullptr;
};

// An output stream that takes at most `chunk` bytes per call and fails (with
// `failWith`) once `failAfter` bytes were taken.
struct MemoryOutput {
    explicit MemoryOutput(std::size_t chunk = SIZE_MAX, std::size_t failAfter = SIZE_MAX, std::int64_t failWith = 0);
    clap_ostream_t record{};
    std::string bytes;
    std::size_t chunk;
    std::size_t failAfter;
    std::int64_t failWith;
};

// An input stream that hands out at most `chunk` bytes per call and answers
// -1 once `failAfter` bytes were read.
struct MemoryInput {
    explicit MemoryInput(std::string content, std::size_t chunk = SIZE_MAX, std::size_t failAfter = SIZE_MAX);
    clap_istream_t record{};
    std::string content;
    std::size_t position = 0;
    std::size_t chunk;
    std::size_t failAfter;
};

} // namespace fennrow::testing
