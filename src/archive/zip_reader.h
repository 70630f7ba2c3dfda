// Reads a single-file zip archive held whole in memory: stored and deflated
// entries with 32-bit sizes, each checked against its CRC-32. Entries that
// cannot be used are skipped with a warning; only a damaged or unsupported
// archive as a whole fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/diagnostics.h"

namespace fennrow::archive {

// Bounds on what a (possibly hostile) archive may unpack to.
struct ZipLimits {
    std::uint64_t maxEntries = 0;
    std::uint64_t maxEntryBytes = 0; // unpacked size of one entry
    std::uint64_t maxTotalBytes = 0; // unpacked size of all entries together
};

struct ZipEntry {
    std::string name; // the stored name's bytes, not re-encoded
    std::vector<std::uint8_t> data;
    bool kept = true;   // false when the bytes were only checked: `data` is then empty
    std::string sha256; // the digest of the bytes, when it was asked for; empty otherwise
};

// What readZip does with the bytes of the entries it accepts. Every entry is
// unpacked and checked against its CRC-32 as a stream, in fixed memory; its
// bytes are kept only when asked for, and its SHA-256 computed on the way
// when `wantsDigest` says so.
struct ZipReadPlan {
    std::optional<std::string_view> keepOnly; // keep this entry's bytes alone; all when unset
    bool (*wantsDigest)(std::string_view name) = nullptr;
};

struct ZipResult {
    std::vector<ZipEntry> entries; // central-directory order; empty unless ok
    bool ok = false;
};

// Findings go to `list`: errors (empty path) for the archive, warnings with
// the path "/" + name for skipped entries. Every entry that passes its checks
// is returned, with its bytes or (outside `plan.keepOnly`) without them.
ZipResult readZip(const std::uint8_t* data, std::size_t size, document::DiagnosticList& list,
                  const ZipLimits& limits, const ZipReadPlan& plan = {});

// The unpacked size that the central directory declares for the first entry
// called `name`, read without unpacking anything; nothing when the directory
// cannot be read or has no such entry. An entry never unpacks to more than
// its declared size (readZip skips one that would), so a size above a limit
// can refuse the entry before it costs anything.
std::optional<std::uint64_t> declaredEntrySize(const std::uint8_t* data, std::size_t size,
                                               std::string_view name);

} // namespace fennrow::archive
