#include "stored_zip.h"

#include "archive/crc32.h"

#include <cstdint>

namespace fennrow::test {

namespace {

void put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string local;
    std::string central;
    for (const auto& [name, content] : entries) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
        const std::uint32_t crc = archive::crc32(bytes, content.size());
        const auto offset = static_cast<std::uint32_t>(local.size());
        const auto size = static_cast<std::uint32_t>(content.size());
        const auto nameLength = static_cast<std::uint32_t>(name.size());

        put32(local, 0x04034b50);
        put16(local, 20); // version needed
        put16(local, 0);  // flags
        put16(local, 0);  // stored
        put32(local, 0);  // time and date
        put32(local, crc);
        put32(local, size);
        put32(local, size);
        put16(local, nameLength);
        put16(local, 0);
        local += name;
        local += content;

        put32(central, 0x02014b50);
        put16(central, 20); // made by
        put16(central, 20); // needed
        put16(central, 0);
        put16(central, 0);
        put32(central, 0);
        put32(central, crc);
        put32(central, size);
        put32(central, size);
        put16(central, nameLength);
        put16(central, 0); // extra
        put16(central, 0); // comment
        put16(central, 0); // disk
        put16(central, 0); // internal attributes
        put32(central, 0); // external attributes
        put32(central, offset);
        central += name;
    }
    std::string archive = local + central;
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put32(archive, static_cast<std::uint32_t>(central.size()));
    put32(archive, static_cast<std::uint32_t>(local.size()));
    put16(archive, 0);
    return archive;
}

} // namespace fennrow::test
