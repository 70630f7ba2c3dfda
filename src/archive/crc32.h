#pragma once

#include <cstddef>
#include <cstdint>

namespace fennrow::archive {

// The reflected CRC-32 of the zip format (polynomial 0xEDB88320, initial value
// 0xFFFFFFFF, final complement).
std::uint32_t crc32(const std::uint8_t* data, std::size_t size);

// The CRC-32 of bytes given piece by piece: start from 0 (the CRC of
// nothing) and hand each piece with the CRC so far; the result is the CRC of
// all pieces together, as crc32 would give it for them in one piece.
std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

} // namespace fennrow::archive
