#pragma once

#include <cstddef>
#include <cstdint>

namespace fennrow {

// The reflected CRC-32 of the zip format (polynomial 0xEDB88320, initial value
// 0xFFFFFFFF, final complement).
std::uint32_t crc32(const std::uint8_t* data, std::size_t size);

} // namespace fennrow
