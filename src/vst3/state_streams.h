// The host's IBStream and the plugin's CLAP state streams, joined: a save
// writes the plugin's bytes into the host's stream as they come; a load reads
// the host's stream whole first, so that a stream that fails part-way
// changes nothing.
#pragma once

#include <clap/clap.h>
#include <vst3/stream.h>

#include <cstddef>
#include <string>

namespace fennrow::vst3 {

// More than any saved sound: a stream that goes on past this is refused.
inline constexpr std::size_t kMaxStateBytes = std::size_t{1} << 30;

// Reads until the stream has no more; false if it fails or runs past the limit.
bool readWholeStream(::vst3::IBStream* stream, std::string& bytes);

// The host's stream as a CLAP output stream.
struct HostOutput {
    explicit HostOutput(::vst3::IBStream* stream);
    HostOutput(const HostOutput&) = delete;
    HostOutput& operator=(const HostOutput&) = delete;

    ::vst3::IBStream* stream;
    clap_ostream_t clap;
};

// Bytes in memory as a CLAP input stream.
struct MemoryInput {
    explicit MemoryInput(const std::string& bytes);
    MemoryInput(const MemoryInput&) = delete;
    MemoryInput& operator=(const MemoryInput&) = delete;

    const std::string* bytes;
    std::size_t position = 0;
    clap_istream_t clap;
};

} // namespace fennrow::vst3
