#include "support/streams.h"

#include <algorithm>
#include <cstring>

namespace fennrow::test {
namespace {

int64_t readStream(const clap_istream_t* stream, void* buffer, uint64_t size) {
    auto* self = static_cast<InputStream*>(stream->ctx);
    if (self->failAfterReads >= 0 && self->reads >= self->failAfterReads) return -1;
    ++self->reads;
    const uint64_t left = self->bytes.size() - self->position;
    const uint64_t count = std::min({size, left, self->maxChunk});
    std::memcpy(buffer, self->bytes.data() + self->position, count);
    self->position += count;
    return static_cast<int64_t>(count);
}

int64_t writeStream(const clap_ostream_t* stream, const void* buffer, uint64_t size) {
    auto* self = static_cast<OutputStream*>(stream->ctx);
    if (self->failAfterWrites >= 0 && self->writes >= self->failAfterWrites) return -1;
    ++self->writes;
    if (self->acceptNothing) return 0;
    const uint64_t count = std::min(size, self->maxChunk);
    self->bytes.append(static_cast<const char*>(buffer), count);
    return static_cast<int64_t>(count);
}

} // namespace

InputStream::InputStream(std::string data) : bytes(std::move(data)) {
    stream_.ctx = this;
    stream_.read = readStream;
}

OutputStream::OutputStream() {
    stream_.ctx = this;
    stream_.write = writeStream;
}

} // namespace fennrow::test
