#include "zip_builder.h"

#include <zlib.h>

namespace fennrow::test {
namespace {

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

} // namespace

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes buildZip(const ArchiveSpec& spec) {
    Bytes out;
    struct Placed {
        std::uint32_t offset, crc, compressed, uncompressed;
    };
    std::vector<Placed> placed;
    for (const EntrySpec& e : spec.entries) {
        const Bytes packed = e.packed        ? *e.packed
                             : e.method == 8 ? zlibDeflate(e.content, 6, Z_DEFAULT_STRATEGY)
                                             : e.content;
        const auto crc = e.crc ? *e.crc
                               : static_cast<std::uint32_t>(
                                     ::crc32(0L, e.content.data(), static_cast<uInt>(e.content.size())));
        const Placed p{static_cast<std::uint32_t>(out.size()), crc,
                       e.compressedSize.value_or(static_cast<std::uint32_t>(packed.size())),
                       e.uncompressedSize.value_or(static_cast<std::uint32_t>(e.content.size()))};
        put32(out, e.localSignature.value_or(0x04034b50));
        put16(out, 20);
        put16(out, e.flags);
        put16(out, e.method);
        put32(out, 0); // time and date
        put32(out, p.crc);
        put32(out, p.compressed);
        put32(out, p.uncompressed);
        put16(out, static_cast<std::uint32_t>(e.name.size()));
        put16(out, static_cast<std::uint32_t>(e.localExtra.size()));
        append(out, bytesOf(e.name));
        append(out, e.localExtra);
        append(out, packed);
        placed.push_back(p);
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    for (std::size_t i = 0; i < spec.entries.size(); ++i) {
        const EntrySpec& e = spec.entries[i];
        put32(out, 0x02014b50);
        put16(out, 20);
        put16(out, 20);
        put16(out, e.flags);
        put16(out, e.method);
        put32(out, 0);
        put32(out, placed[i].crc);
        put32(out, placed[i].compressed);
        put32(out, placed[i].uncompressed);
        put16(out, static_cast<std::uint32_t>(e.name.size()));
        put16(out, static_cast<std::uint32_t>(e.centralExtra.size()));
        put16(out, static_cast<std::uint32_t>(e.centralComment.size()));
        put16(out, 0);
        put16(out, 0);
        put32(out, 0);
        put32(out, e.localOffset.value_or(placed[i].offset));
        append(out, bytesOf(e.name));
        append(out, e.centralExtra);
        append(out, e.centralComment);
    }
    const auto directorySize = static_cast<std::uint32_t>(out.size() - directoryOffset);
    const auto count = static_cast<std::uint16_t>(spec.entries.size());
    put32(out, 0x06054b50);
    put16(out, spec.thisDisk);
    put16(out, spec.directoryDisk);
    put16(out, spec.entriesOnDisk.value_or(spec.totalEntries.value_or(count)));
    put16(out, spec.totalEntries.value_or(count));
    put32(out, spec.directorySize.value_or(directorySize));
    put32(out, spec.directoryOffset.value_or(directoryOffset));
    put16(out, spec.commentLength.value_or(static_cast<std::uint16_t>(spec.comment.size())));
    append(out, spec.comment);
    append(out, spec.trailing);
    return out;
}

} // namespace fennrow::test
