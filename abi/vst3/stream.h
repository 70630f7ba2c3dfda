// IBStream: the byte stream through which hosts save and restore state.
#pragma once

#include <vst3/base.h>

namespace vst3 {

enum SeekMode : std::int32_t { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };

struct IBStreamVtbl {
    FUnknownVtbl unknown;
    tresult(VST3_API* read)(void* self, void* buffer, std::int32_t numBytes, std::int32_t* numBytesRead);
    tresult(VST3_API* write)(void* self, void* buffer, std::int32_t numBytes, std::int32_t* numBytesWritten);
    tresult(VST3_API* seek)(void* self, std::int64_t pos, std::int32_t mode, std::int64_t* result);
    tresult(VST3_API* tell)(void* self, std::int64_t* pos);
};

struct IBStream {
    const IBStreamVtbl* vtbl;
};

inline constexpr Uid kIBStreamIid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);

static_assert(sizeof(IBStreamVtbl) == 7 * sizeof(void*));

} // namespace vst3
