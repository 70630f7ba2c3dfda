#include "archive/crc32.h"

#include <array>

namespace fennrow::archive {
namespace {

constexpr std::uint32_t kCrcPolynomial = 0xEDB88320u;
constexpr int kSlices = 8;

using CrcTables = std::array<std::array<std::uint32_t, 256>, kSlices>;

// Table 0 is the byte-at-a-time table of the polynomial; table k advances a
// byte's CRC by k further zero bytes, so eight bytes are folded in at once.
constexpr CrcTables makeCrcTables() {
    CrcTables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? (kCrcPolynomial ^ (c >> 1)) : (c >> 1);
        tables[0][n] = c;
    }
    for (int k = 1; k < kSlices; ++k) {
        for (std::uint32_t n = 0; n < 256; ++n)
            tables[k][n] = (tables[k - 1][n] >> 8) ^ tables[0][tables[k - 1][n] & 0xFFu];
    }
    return tables;
}

constexpr CrcTables kCrcTables = makeCrcTables();

} // namespace

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    const auto& t = kCrcTables;
    crc ^= 0xFFFFFFFFu;
    for (; size >= kSlices; data += kSlices, size -= kSlices) {
        const std::uint32_t low = crc ^ (std::uint32_t{data[0]} | (std::uint32_t{data[1]} << 8) |
                                         (std::uint32_t{data[2]} << 16) | (std::uint32_t{data[3]} << 24));
        crc = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^ t[4][low >> 24] ^
              t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
    }
    for (; size > 0; ++data, --size) crc = t[0][(crc ^ *data) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) { return crc32Update(0, data, size); }

} // namespace fennrow::archive
