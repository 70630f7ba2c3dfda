// Turns the bytes of a saved state or preset file into a document: either a
// bare JSON text, or a zip package holding the document under a fixed name
// next to assets named by the SHA-256 of their content ("assets/" + digest).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/zip_reader.h"
#include "document/diagnostics.h"
#include "document/json_value.h"

namespace fennrow::archive {

// What a document package may unpack to: 10000 entries, 1 GiB per entry and
// 2 GiB in all.
inline constexpr ZipLimits kDocumentZipLimits{10000, 1073741824ull, 2147483648ull};

// Stored documents are a few KB. A document whose bytes are more than this is
// refused before it is parsed (and, in a zip package, before it is unpacked):
// "document-too-large". Below it, any well-formed document is read; its tree
// takes at most kJsonMaxBytesPerTextByte bytes per byte of it.
inline constexpr std::size_t kMaxDocumentBytes = 4194304;

// The most bytes a zip package may hold: what it may unpack to in all.
inline constexpr std::uint64_t kMaxPackageBytes = kDocumentZipLimits.maxTotalBytes;

// The most bytes that can be a readable package, told from its first bytes
// (see looksLikeZip): a zip archive up to kMaxPackageBytes, a bare document up
// to kMaxDocumentBytes. A reader of a file or a stream stops one byte past it.
std::uint64_t packageByteLimit(const std::uint8_t* head, std::size_t size);

// The finding for bytes that went past packageByteLimit (given their first
// bytes): "document-too-large" for a bare document, "package-too-large" for a
// zip archive.
void refuseOversizedPackage(document::DiagnosticList& list, const std::uint8_t* head, std::size_t size);

// What a package read keeps: everything (the document, its assets verified
// against their names, the other entries), or the document alone, for a
// reader that has no use for the rest. Either way every entry is unpacked
// and checked (CRC-32, and SHA-256 for an asset) with the same findings; the
// document alone costs fixed memory beyond the document, whatever the other
// entries declare.
enum class PackageContents { Everything, DocumentOnly };

struct Package {
    std::string documentName; // the name asked for
    document::JsonValue document;
    std::size_t documentBytes = 0;      // the length of the text it was parsed from
    std::vector<ZipEntry> assets;       // each named by its verified lower-case digest
    std::vector<ZipEntry> otherEntries; // full archive names, in archive order
    bool ok = false;                    // when false the document must not be used
};

// True when the bytes begin as a zip archive does; anything else is read as
// bare JSON text (at least 4 bytes are needed to tell).
bool looksLikeZip(const std::uint8_t* data, std::size_t size);

// Reads bare JSON (an optional UTF-8 byte-order mark and whitespace before
// the opening "{") or a zip package whose entry `documentName` holds the
// document. Findings, the zip reader's first, are appended to `list`.
Package readPackage(const std::uint8_t* data, std::size_t size, std::string_view documentName,
                    document::DiagnosticList& list, const ZipLimits& limits = kDocumentZipLimits,
                    PackageContents contents = PackageContents::Everything);

} // namespace fennrow::archive
