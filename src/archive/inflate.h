#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fennrow::archive {

// Where decoded bytes go: `take` is called with each piece, in order. The
// pieces are the decoder's own memory, valid only during the call.
struct InflateSink {
    void* context = nullptr;
    void (*take)(void* context, const std::uint8_t* bytes, std::size_t count) = nullptr;
};

// Decodes a raw DEFLATE stream (no zlib or gzip wrapper, no preset
// dictionary) in fixed memory: the decoder keeps the last 32 KiB it produced
// and hands everything to `sink`, which never receives more than
// `declaredSize` bytes, so a hostile stream cannot make anything grow past
// what the archive declared. Returns true once a final block has been
// decoded (the output may then be shorter than declared; the caller checks
// the exact size). Returns false with a short English `message` when the data
// is bad; the sink has then received what was decoded up to that point.
// Bytes after the final block are ignored.
bool inflateTo(const std::uint8_t* data, std::size_t size, std::uint64_t declaredSize,
               const InflateSink& sink, std::string& message);

// The same, appending the decoded bytes to `out`.
bool inflate(const std::uint8_t* data, std::size_t size, std::uint64_t declaredSize,
             std::vector<std::uint8_t>& out, std::string& message);

} // namespace fennrow::archive
