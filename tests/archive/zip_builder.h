#pragma once

// Builds zip archives field by field for tests, including archives that no
// honest tool would write: lying sizes, bad offsets, hostile names.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "deflate_writer.h"

namespace fennrow::test {

struct EntrySpec {
    std::string name;
    Bytes content;            // the unpacked bytes
    std::uint16_t method = 0; // 8 deflates `content` with zlib; anything else stores it
    std::uint16_t flags = 0;
    std::optional<Bytes> packed; // the bytes written as data, instead of the above
    std::optional<std::uint32_t> crc;
    std::optional<std::uint32_t> compressedSize;
    std::optional<std::uint32_t> uncompressedSize;
    std::optional<std::uint32_t> localOffset;
    Bytes localExtra;
    Bytes centralExtra;
    Bytes centralComment;
    std::optional<std::uint32_t> localSignature;
};

struct ArchiveSpec {
    std::vector<EntrySpec> entries;
    Bytes comment;
    std::optional<std::uint16_t> commentLength;
    std::uint16_t thisDisk = 0;
    std::uint16_t directoryDisk = 0;
    std::optional<std::uint16_t> entriesOnDisk;
    std::optional<std::uint16_t> totalEntries;
    std::optional<std::uint32_t> directorySize;
    std::optional<std::uint32_t> directoryOffset;
    Bytes trailing; // after the end record and its comment
};

Bytes buildZip(const ArchiveSpec& spec);

Bytes bytesOf(const std::string& text);

} // namespace fennrow::test
