// The replacement of the global operator new and delete behind
// AllocationProbe. Memory comes from malloc; every block carries a header in
// front of it with what malloc gave and the size asked for, so that every
// form of delete, sized or not, knows what it gives back, and any alignment
// works with plain malloc and free on every system.
#include "support/allocation_probe.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace fennrow::test {

namespace {

// Trivially initialised, so reaching them allocates nothing and needs no
// guard, whichever thread calls operator new first.
thread_local AllocationProbe* tInnermost = nullptr;
thread_local bool tRefusing = false;

} // namespace

struct ProbeRecorder {
    static void allocated(std::size_t size) noexcept {
        for (AllocationProbe* probe = tInnermost; probe != nullptr; probe = probe->outer_) {
            ++probe->count_;
            if (size > probe->largest_) probe->largest_ = size;
            probe->heldBytes_ += static_cast<long long>(size);
            if (probe->heldBytes_ > 0 && static_cast<std::size_t>(probe->heldBytes_) > probe->peakBytes_)
                probe->peakBytes_ = static_cast<std::size_t>(probe->heldBytes_);
        }
    }
    static void released(std::size_t size) noexcept {
        for (AllocationProbe* probe = tInnermost; probe != nullptr; probe = probe->outer_)
            probe->heldBytes_ -= static_cast<long long>(size);
    }
};

AllocationProbe::AllocationProbe() : outer_(tInnermost) { tInnermost = this; }
AllocationProbe::~AllocationProbe() { tInnermost = outer_; }

RefusedAllocations::RefusedAllocations() : wasRefusing_(tRefusing) { tRefusing = true; }
RefusedAllocations::~RefusedAllocations() { tRefusing = wasRefusing_; }

namespace {

struct BlockHeader {
    void* raw;
    std::size_t size;
};

// malloc's own alignment: a block that needs no more starts right after its
// header and ends where malloc's block ends, so that the sanitizers still
// see an overrun of the block at once.
constexpr std::size_t kPlain = alignof(std::max_align_t);
static_assert(sizeof(BlockHeader) <= kPlain && kPlain % alignof(BlockHeader) == 0);

void* place(void* raw, std::size_t offset, std::size_t size) noexcept {
    auto* block = static_cast<unsigned char*>(raw) + offset;
    reinterpret_cast<BlockHeader*>(block)[-1] = BlockHeader{raw, size};
    return block;
}

void* allocate(std::size_t size, std::size_t alignment) noexcept {
    ProbeRecorder::allocated(size);
    if (tRefusing) return nullptr;
    if (alignment < kPlain) alignment = kPlain;
    if (size > SIZE_MAX - kPlain - alignment) return nullptr;
    if (alignment == kPlain) {
        void* raw = std::malloc(size + kPlain);
        if (raw == nullptr) return nullptr;
        if (reinterpret_cast<std::uintptr_t>(raw) % kPlain == 0) return place(raw, kPlain, size);
        std::free(raw); // a malloc less aligned than promised: take the general path
    }
    void* raw = std::malloc(size + sizeof(BlockHeader) + alignment - 1);
    if (raw == nullptr) return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(BlockHeader);
    const std::uintptr_t aligned = (start + alignment - 1) / alignment * alignment;
    return place(raw, aligned - reinterpret_cast<std::uintptr_t>(raw), size);
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
    if (void* block = allocate(size, alignment)) return block;
    throw std::bad_alloc();
}

void release(void* block) noexcept {
    if (block == nullptr) return;
    const BlockHeader header = static_cast<BlockHeader*>(block)[-1];
    ProbeRecorder::released(header.size);
    std::free(header.raw);
}

std::size_t alignmentOf(std::align_val_t a) { return static_cast<std::size_t>(a); }

} // namespace

} // namespace fennrow::test

using fennrow::test::alignmentOf;
using fennrow::test::allocate;
using fennrow::test::allocateOrThrow;
using fennrow::test::kPlain;
using fennrow::test::release;

// clang-format off
void* operator new(std::size_t n) { return allocateOrThrow(n, kPlain); }
void* operator new[](std::size_t n) { return allocateOrThrow(n, kPlain); }
void* operator new(std::size_t n, std::align_val_t a) { return allocateOrThrow(n, alignmentOf(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocateOrThrow(n, alignmentOf(a)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n, kPlain); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n, kPlain); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocate(n, alignmentOf(a)); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocate(n, alignmentOf(a)); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
// clang-format on
