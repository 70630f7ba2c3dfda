#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fennrow {

// Decodes a raw DEFLATE stream (no zlib or gzip wrapper, no preset
// dictionary). Decoded bytes are appended to `out`, which never receives more
// than `declaredSize` bytes from this call, so a hostile stream cannot make it
// grow past what the archive declared. Returns true once a final block has
// been decoded (the output may then be shorter than declared; the caller
// checks the exact size). Returns false with a short English `message` when
// the data is bad; `out` keeps what was decoded up to that point. Bytes after
// the final block are ignored.
bool inflate(const std::uint8_t* data, std::size_t size, std::uint64_t declaredSize,
             std::vector<std::uint8_t>& out, std::string& message);

} // namespace fennrow
