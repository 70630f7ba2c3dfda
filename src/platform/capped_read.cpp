#include "platform/capped_read.h"

#include <algorithm>
#include <optional>

namespace fennrow::platform {

namespace {

// Bytes asked of the source in one call, and the buffer a read starts with
// before the first bytes tell how large the content may be.
constexpr std::size_t kReadPieceBytes = 1 << 20;
constexpr std::size_t kFirstBufferBytes = 64 * 1024;

} // namespace

CappedBytes readCapped(const ByteSource& source, std::uint64_t maxBytes, HeadLimit headLimit) {
    CappedBytes result;
    FileBytes& bytes = result.bytes;
    std::optional<std::uint64_t> limit; // known once the first bytes are in
    const auto settleLimit = [&] {
        limit = headLimit == nullptr ? maxBytes : std::min(maxBytes, headLimit(bytes.data(), bytes.size()));
        return bytes.size() <= *limit && source.sizeHint <= *limit;
    };
    bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(maxBytes + 1, kFirstBufferBytes)));
    for (;;) {
        // The buffer never holds more than the limit and the one byte that
        // shows the content goes past it; it grows at most twofold at a time.
        const std::uint64_t most = limit.value_or(maxBytes) + 1;
        if (bytes.size() == bytes.capacity()) {
            const std::uint64_t grown = std::max<std::uint64_t>(bytes.capacity() * 2, bytes.size() + 1);
            bytes.reserve(static_cast<std::size_t>(std::min(most, grown)));
        }
        const std::size_t before = bytes.size();
        const std::size_t want = std::min(bytes.capacity() - before, kReadPieceBytes);
        bytes.resize(before + want);
        const std::int64_t got = source.read(source.context, bytes.data() + before, want);
        bytes.resize(before + (got > 0 ? std::min<std::size_t>(static_cast<std::size_t>(got), want) : 0));
        if (got <= 0) {
            result.end = got < 0 ? CappedEnd::Error : CappedEnd::End;
            if (!limit && !settleLimit()) result.end = CappedEnd::OverLimit;
            return result;
        }
        if (!limit && bytes.size() >= kHeadBytes) {
            if (!settleLimit()) {
                result.end = CappedEnd::OverLimit;
                return result;
            }
            // Room at once for what the source claims, when that is within
            // the limit, and the byte that would show it holds more.
            if (source.sizeHint > 0) bytes.reserve(static_cast<std::size_t>(source.sizeHint + 1));
        }
        if (bytes.size() > limit.value_or(maxBytes)) {
            result.end = CappedEnd::OverLimit;
            return result;
        }
    }
}

} // namespace fennrow::platform
