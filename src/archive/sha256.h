#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fennrow::archive {

// A SHA-256 digest under way: bytes are handed in pieces of any size and
// only the current 64-byte block is held, so a digest of any length costs
// the same small record.
struct Sha256 {
    std::array<std::uint32_t, 8> state{};
    std::array<std::uint8_t, 64> block{};
    std::size_t blockFill = 0; // bytes of `block` in use
    std::uint64_t length = 0;  // bytes handed in so far
};

Sha256 sha256Begin();
void sha256Update(Sha256& digest, const std::uint8_t* data, std::size_t size);
// The digest of everything handed in, as 64 lower-case hexadecimal digits.
std::string sha256FinishHex(Sha256& digest);

// The SHA-256 digest of `size` bytes as 64 lower-case hexadecimal digits.
std::string sha256Hex(const std::uint8_t* data, std::uint64_t size);

} // namespace fennrow::archive
