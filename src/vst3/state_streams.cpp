#include "vst3/state_streams.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace fennrow::vst3 {

namespace {

constexpr std::int32_t kReadChunk = 4096;

int64_t writeToHost(const clap_ostream_t* stream, const void* buffer, uint64_t size) {
    auto* output = static_cast<HostOutput*>(stream->ctx);
    const auto chunk = static_cast<std::int32_t>(std::min<uint64_t>(size, INT32_MAX));
    std::int32_t written = 0;
    const ::vst3::tresult result =
        output->stream->vtbl->write(output->stream, const_cast<void*>(buffer), chunk, &written);
    if (result != ::vst3::kResultOk || written <= 0 || written > chunk) return -1;
    return written;
}

int64_t readFromMemory(const clap_istream_t* stream, void* buffer, uint64_t size) {
    auto* input = static_cast<MemoryInput*>(stream->ctx);
    const std::size_t left = input->bytes->size() - input->position;
    const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(size, left));
    std::memcpy(buffer, input->bytes->data() + input->position, count);
    input->position += count;
    return static_cast<int64_t>(count);
}

} // namespace

bool readWholeStream(::vst3::IBStream* stream, std::string& bytes) {
    char chunk[kReadChunk];
    for (;;) {
        std::int32_t count = 0;
        const ::vst3::tresult result = stream->vtbl->read(stream, chunk, kReadChunk, &count);
        // Some hosts answer kResultFalse at the end of their data; anything
        // else but kResultOk is a failure.
        if (result != ::vst3::kResultOk && result != ::vst3::kResultFalse) return false;
        if (count < 0 || count > kReadChunk) return false;
        if (count == 0) return true;
        if (bytes.size() + static_cast<std::size_t>(count) > kMaxStateBytes) return false;
        bytes.append(chunk, static_cast<std::size_t>(count));
        if (result == ::vst3::kResultFalse) return true;
    }
}

HostOutput::HostOutput(::vst3::IBStream* stream) : stream(stream), clap{this, writeToHost} {}

MemoryInput::MemoryInput(const std::string& bytes) : bytes(&bytes), clap{this, readFromMemory} {}

} // namespace fennrow::vst3
