// In-memory CLAP streams for state tests, with limits to imitate hosts that
// move data in small pieces or fail part-way.
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fennrow::test {

class InputStream {
public:
    explicit InputStream(std::string bytes);
    const clap_istream_t* clap() const { return &stream_; }

    std::string bytes;
    std::size_t position = 0;
    uint64_t maxChunk = UINT64_MAX; // at most this many bytes per read
    int failAfterReads = -1;        // the read after this many reads answers -1
    int reads = 0;

private:
    clap_istream_t stream_{};
};

class OutputStream {
public:
    OutputStream();
    const clap_ostream_t* clap() const { return &stream_; }

    std::string bytes;
    uint64_t maxChunk = UINT64_MAX; // takes at most this many bytes per write
    int failAfterWrites = -1;       // the write after this many writes answers -1
    bool acceptNothing = false;     // every write answers 0
    int writes = 0;

private:
    clap_ostream_t stream_{};
};

} // namespace fennrow::test
