#include "archive/zip_reader.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "archive/crc32.h"
#include "archive/inflate.h"
#include "archive/sha256.h"

namespace fennrow::archive {
namespace {

constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::size_t kEndRecordBytes = 22;
constexpr std::size_t kMaxCommentBytes = 0xFFFF;
constexpr std::size_t kCentralHeaderBytes = 46;
constexpr std::size_t kLocalHeaderBytes = 30;
constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;
constexpr std::uint16_t kZip64Marker16 = 0xFFFF;
constexpr std::uint16_t kEncryptedFlag = 0x0001;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// No deflate stream unpacks to more than about 1032 bytes per input byte (a
// 258-byte match coded in two bits), so a declared size beyond that is a lie,
// and memory is reserved only for what the compressed bytes could produce.
constexpr std::uint64_t kMaxDeflateExpansion = 1032;

std::uint16_t read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t read32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

struct EndRecord {
    std::size_t offset = 0;
    std::uint16_t thisDisk = 0;
    std::uint16_t directoryDisk = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
};

// The last place where a record signature is followed by a comment that ends
// exactly at the end of the data.
bool findEndRecord(const std::uint8_t* data, std::size_t size, EndRecord& record) {
    const std::size_t lowest =
        size > kEndRecordBytes + kMaxCommentBytes ? size - kEndRecordBytes - kMaxCommentBytes : 0;
    for (std::size_t e = size - kEndRecordBytes + 1; e-- > lowest;) {
        const std::uint8_t* p = data + e;
        if (read32(p) != kEndRecordSignature || e + kEndRecordBytes + read16(p + 20) != size) continue;
        record = {
            e, read16(p + 4), read16(p + 6), read16(p + 8), read16(p + 10), read32(p + 12), read32(p + 16)};
        return true;
    }
    return false;
}

struct CentralHeader {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint32_t localHeaderOffset = 0;
};

CentralHeader parseCentralHeader(const std::uint8_t* p) {
    return {read16(p + 8),  read16(p + 10), read32(p + 16), read32(p + 20), read32(p + 24),
            read16(p + 28), read16(p + 30), read16(p + 32), read32(p + 42)};
}

// The header at `position` of the directory that ends at `directoryEnd`, and
// the entry's name; false when the directory is damaged there.
bool centralHeaderAt(const std::uint8_t* data, std::uint64_t position, std::uint64_t directoryEnd,
                     CentralHeader& header, std::string_view& name) {
    if (position > directoryEnd || directoryEnd - position < kCentralHeaderBytes ||
        read32(data + position) != kCentralHeaderSignature ||
        directoryEnd - position - kCentralHeaderBytes < read16(data + position + 28)) {
        return false;
    }
    header = parseCentralHeader(data + position);
    name = std::string_view(reinterpret_cast<const char*>(data + position + kCentralHeaderBytes),
                            header.nameLength);
    return true;
}

std::uint64_t nextHeaderPosition(std::uint64_t position, const CentralHeader& header) {
    return position + kCentralHeaderBytes + header.nameLength + header.extraLength + header.commentLength;
}

bool isUnsafeName(std::string_view name) {
    if (name.empty() || name.size() > 0xFFFF || name.front() == '/') return true;
    if (name.size() >= 2 && name[1] == ':') return true;
    for (unsigned char c : name) {
        if (c == '\\' || c < 0x20) return true;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        if (name.substr(start, slash - start) == "..") return true;
        start = slash + 1;
    }
    return false;
}

// The bytes of one entry as they come out of the archive: counted, checked
// against the CRC-32, hashed when asked for and kept when asked for.
struct EntryStream {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::optional<Sha256> digest;
    std::vector<std::uint8_t>* keep = nullptr;
};

void takeEntryBytes(void* context, const std::uint8_t* bytes, std::size_t count) {
    EntryStream& stream = *static_cast<EntryStream*>(context);
    stream.size += count;
    stream.crc = crc32Update(stream.crc, bytes, count);
    if (stream.digest) sha256Update(*stream.digest, bytes, count);
    if (stream.keep != nullptr) stream.keep->insert(stream.keep->end(), bytes, bytes + count);
}

// Unpacks one entry whose header checks passed: an empty string when its
// bytes came out whole and match the CRC-32, or the warning's code and
// message when they do not.
struct EntryProblem {
    const char* code = nullptr;
    std::string message;
};

EntryProblem unpackEntry(const std::uint8_t* stored, const CentralHeader& header, EntryStream& stream) {
    const InflateSink sink{&stream, takeEntryBytes};
    if (header.method == kMethodStored) {
        if (header.compressedSize != header.uncompressedSize)
            return {"zip-damaged-entry", "Stored sizes disagree; skipped"};
        if (stream.keep != nullptr) stream.keep->reserve(header.uncompressedSize);
        takeEntryBytes(&stream, stored, header.compressedSize);
    } else {
        if (stream.keep != nullptr) {
            const std::uint64_t plausible = std::uint64_t{header.compressedSize} * kMaxDeflateExpansion;
            stream.keep->reserve(
                static_cast<std::size_t>(std::min<std::uint64_t>(header.uncompressedSize, plausible)));
        }
        std::string message;
        const bool decoded = inflateTo(stored, header.compressedSize, header.uncompressedSize, sink, message);
        if (!decoded || stream.size != header.uncompressedSize) {
            return {"zip-damaged-entry",
                    "Cannot decompress: " + (message.empty() ? std::string("wrong size") : message) +
                        "; skipped"};
        }
    }
    if (stream.crc != header.crc) return {"zip-checksum", "Checksum mismatch; skipped"};
    return {};
}

ZipResult failArchive(document::DiagnosticList& list, const char* code, std::string path,
                      std::string message) {
    appendError(list, code, std::move(path), std::move(message));
    return {};
}

} // namespace

ZipResult readZip(const std::uint8_t* data, std::size_t size, document::DiagnosticList& list,
                  const ZipLimits& limits, const ZipReadPlan& plan) {
    if (size < kEndRecordBytes)
        return failArchive(list, "zip-unreadable", "", "Too short to be a zip archive");
    EndRecord end;
    if (!findEndRecord(data, size, end))
        return failArchive(list, "zip-unreadable", "", "No end-of-archive record");
    if (end.thisDisk != 0 || end.directoryDisk != 0 || end.entriesOnDisk != end.totalEntries) {
        return failArchive(list, "zip-unsupported", "",
                           "Archives split over several files are not supported");
    }
    if (end.totalEntries == kZip64Marker16 || end.directorySize == kZip64Marker32 ||
        end.directoryOffset == kZip64Marker32) {
        return failArchive(list, "zip-unsupported", "", "Zip64 archives are not supported");
    }
    if (end.totalEntries > limits.maxEntries) {
        return failArchive(list, "zip-too-large", "",
                           "More entries than allowed (" + std::to_string(limits.maxEntries) + ")");
    }
    const std::uint64_t directoryEnd = std::uint64_t{end.directoryOffset} + end.directorySize;
    if (directoryEnd > end.offset)
        return failArchive(list, "zip-unreadable", "", "Central directory out of bounds");

    ZipResult result;
    std::unordered_set<std::string> seenNames;
    std::uint64_t totalBytes = 0;
    std::uint64_t unpackedInput = 0; // archive bytes read by the entries unpacked so far
    std::uint64_t position = end.directoryOffset;
    for (std::uint32_t index = 0; index < end.totalEntries; ++index) {
        CentralHeader header;
        std::string_view name;
        if (!centralHeaderAt(data, position, directoryEnd, header, name)) {
            return failArchive(list, "zip-unreadable", "", "Damaged central directory");
        }
        position = nextHeaderPosition(position, header);

        ZipEntry entry;
        entry.name.assign(name);
        const std::string path = "/" + entry.name;
        if (header.compressedSize == kZip64Marker32 || header.uncompressedSize == kZip64Marker32 ||
            header.localHeaderOffset == kZip64Marker32) {
            return failArchive(list, "zip-unsupported", path, "Zip64 entries are not supported");
        }
        totalBytes += header.uncompressedSize;
        if (header.uncompressedSize > limits.maxEntryBytes || totalBytes > limits.maxTotalBytes) {
            return failArchive(list, "zip-too-large", path, "The archive unpacks to more than allowed");
        }
        if (!entry.name.empty() && entry.name.back() == '/') continue; // a folder
        if (isUnsafeName(entry.name)) {
            appendWarning(list, "zip-unsafe-name", path, "The entry name leaves the archive; skipped");
            continue;
        }
        if (!seenNames.insert(entry.name).second) {
            appendWarning(list, "zip-duplicate-name", path, "A second entry of the same name; skipped");
            continue;
        }
        if (header.flags & kEncryptedFlag) {
            appendWarning(list, "zip-encrypted", path, "Encrypted entries are not supported; skipped");
            continue;
        }
        if (header.method != kMethodStored && header.method != kMethodDeflated) {
            appendWarning(list, "zip-method", path, "Entries are stored or deflated; skipped");
            continue;
        }
        const std::uint64_t local = header.localHeaderOffset;
        if (local > size || size - local < kLocalHeaderBytes ||
            read32(data + local) != kLocalHeaderSignature) {
            appendWarning(list, "zip-damaged-entry", path, "The entry's header is damaged; skipped");
            continue;
        }
        const std::uint64_t dataStart =
            local + kLocalHeaderBytes + read16(data + local + 26) + read16(data + local + 28);
        if (dataStart + header.compressedSize > size) {
            appendWarning(list, "zip-damaged-entry", path, "The entry runs past the archive; skipped");
            continue;
        }
        // Entries of a well-formed archive never share bytes; entries that
        // do could make one archive cost its size many times over.
        unpackedInput += header.compressedSize;
        if (unpackedInput > size) {
            appendWarning(list, "zip-damaged-entry", path,
                          "The entry shares its bytes with another; skipped");
            continue;
        }
        EntryStream stream;
        entry.kept = !plan.keepOnly || entry.name == *plan.keepOnly;
        if (entry.kept) stream.keep = &entry.data;
        if (plan.wantsDigest != nullptr && plan.wantsDigest(entry.name)) stream.digest = sha256Begin();
        const EntryProblem problem = unpackEntry(data + dataStart, header, stream);
        if (problem.code != nullptr) {
            appendWarning(list, problem.code, path, problem.message);
            continue;
        }
        if (stream.digest) entry.sha256 = sha256FinishHex(*stream.digest);
        result.entries.push_back(std::move(entry));
    }
    result.ok = true;
    return result;
}

std::optional<std::uint64_t> declaredEntrySize(const std::uint8_t* data, std::size_t size,
                                               std::string_view name) {
    EndRecord end;
    if (size < kEndRecordBytes || !findEndRecord(data, size, end)) return std::nullopt;
    const std::uint64_t directoryEnd = std::uint64_t{end.directoryOffset} + end.directorySize;
    if (directoryEnd > end.offset) return std::nullopt;
    std::uint64_t position = end.directoryOffset;
    for (std::uint32_t index = 0; index < end.totalEntries; ++index) {
        CentralHeader header;
        std::string_view entryName;
        if (!centralHeaderAt(data, position, directoryEnd, header, entryName)) return std::nullopt;
        if (entryName == name) return header.uncompressedSize;
        position = nextHeaderPosition(position, header);
    }
    return std::nullopt;
}

} // namespace fennrow::archive
