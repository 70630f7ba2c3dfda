// Reading a source of bytes that may not know its size, or may misstate it
// (a file under /proc, a link to a device, a host's stream), without ever
// taking more than a limit plus the one byte that shows the limit is passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fennrow::platform {

using FileBytes = std::vector<std::uint8_t>;

// How many bytes a content may hold, told from its first bytes: at least
// kHeadBytes of them, fewer only when the whole content is shorter. (The
// first read may take up to 64 KiB before the limit is known, so a limit told
// from the head is meant to be larger than that.)
inline constexpr std::size_t kHeadBytes = 4;
using HeadLimit = std::uint64_t (*)(const std::uint8_t* head, std::size_t size);

// `read` fills at most `capacity` bytes and returns how many it gave, 0 at
// the end, less than 0 on an error. `sizeHint` is what the source claims to
// hold (0 when it does not say); it only sizes the buffer, it is not trusted.
struct ByteSource {
    const void* context = nullptr;
    std::int64_t (*read)(const void* context, std::uint8_t* into, std::size_t capacity) = nullptr;
    std::uint64_t sizeHint = 0;
};

enum class CappedEnd {
    End,       // the source ended within the limit
    Error,     // the source failed; the bytes read before are kept
    OverLimit, // the source holds more than the limit (or claims to)
};

struct CappedBytes {
    FileBytes bytes;
    CappedEnd end = CappedEnd::End;
};

// Reads until the end, an error or the limit: `maxBytes`, lowered by
// `headLimit` (when given) once the first bytes are in. At most limit + 1
// bytes are read, and the buffer never grows past that, so memory stays
// within the limit whatever the source claims. A source that claims more than
// the limit is refused after its first bytes.
CappedBytes readCapped(const ByteSource& source, std::uint64_t maxBytes, HeadLimit headLimit = nullptr);

} // namespace fennrow::platform
