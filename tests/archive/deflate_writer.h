#pragma once

// Test-side helpers for making DEFLATE streams: zlib as the independent
// encoder, and a bit writer for hand-built streams that zlib would never emit.

#include <cstdint>
#include <string>
#include <vector>

namespace fennrow::test {

using Bytes = std::vector<std::uint8_t>;

// Raw deflate (no wrapper) of `input` by zlib with the given settings. When
// `flushEvery` is non-zero, a full flush is forced after every that many input
// bytes, which ends blocks early and adds empty stored blocks.
Bytes zlibDeflate(const Bytes& input, int level, int strategy, int memLevel = 8, std::size_t flushEvery = 0);

// Writes bits least significant first, and Huffman codes most significant
// first, the way a DEFLATE stream carries them.
struct BitWriter {
    Bytes bytes;
    int bitCount = 0;

    void bits(std::uint32_t value, int count);
    void code(std::uint32_t code, int length);
    void alignAndAppend(const Bytes& raw);
};

// The canonical codes of a list of code lengths (0 = unused symbol).
std::vector<std::uint32_t> canonicalCodes(const std::vector<int>& lengths);

// Writes the header of a dynamic block whose code-length code gives every
// length symbol 0..15 a 4-bit code, then the literal/length and distance
// lengths one symbol each.
void writeDynamicHeader(BitWriter& w, bool final, const std::vector<int>& literalLengths,
                        const std::vector<int>& distanceLengths);

} // namespace fennrow::test
