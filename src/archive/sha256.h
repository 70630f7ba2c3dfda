#pragma once

#include <cstdint>
#include <string>

namespace fennrow {

// The SHA-256 digest of `size` bytes as 64 lower-case hexadecimal digits.
std::string sha256Hex(const std::uint8_t* data, std::uint64_t size);

} // namespace fennrow
