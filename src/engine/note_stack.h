// The held keys of the mono voice, oldest first, so that releasing the newest
// key falls back to the one held before it.
#pragma once

#include <cstdint>

namespace fennrow::engine {

inline constexpr int kNoteStackSize = 8;

struct NoteStack {
    int32_t keys[kNoteStackSize] = {};
    int32_t count = 0;
};

// Removes every occurrence of key, keeping the order of the others.
inline void removeKey(NoteStack& stack, int32_t key) {
    int32_t kept = 0;
    for (int32_t i = 0; i < stack.count; ++i)
        if (stack.keys[i] != key) stack.keys[kept++] = stack.keys[i];
    stack.count = kept;
}

// Makes key the newest; a full stack forgets its oldest key.
inline void pushKey(NoteStack& stack, int32_t key) {
    removeKey(stack, key);
    if (stack.count == kNoteStackSize) {
        for (int32_t i = 1; i < kNoteStackSize; ++i) stack.keys[i - 1] = stack.keys[i];
        --stack.count;
    }
    stack.keys[stack.count++] = key;
}

inline int32_t newestKey(const NoteStack& stack) { return stack.keys[stack.count - 1]; }

} // namespace fennrow::engine
