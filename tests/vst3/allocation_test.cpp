// The VST 3 audio path allocates nothing: the module's allocations reach the
// replacements below, as on Linux the module shares the program's allocator.
// (A Windows module carries its own runtime, which a test program cannot
// watch, so this test is Linux's.)
#if !defined(_WIN32)
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> gAllocations{0};

// Every form of new counts and takes its memory from malloc (or
// aligned_alloc), and every form of delete gives it back with free.
void* counted(std::size_t size, std::size_t alignment) noexcept {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (alignment <= alignof(std::max_align_t)) return std::malloc(size == 0 ? 1 : size);
    return std::aligned_alloc(alignment, (size + alignment) / alignment * alignment);
}

void* countedOrThrow(std::size_t size, std::size_t alignment) {
    if (void* memory = counted(size, alignment)) return memory;
    throw std::bad_alloc();
}

constexpr std::size_t kPlain = alignof(std::max_align_t);

} // namespace

// clang-format off
void* operator new(std::size_t n) { return countedOrThrow(n, kPlain); }
void* operator new[](std::size_t n) { return countedOrThrow(n, kPlain); }
void* operator new(std::size_t n, std::align_val_t a) { return countedOrThrow(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return countedOrThrow(n, static_cast<std::size_t>(a)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted(n, kPlain); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted(n, kPlain); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return counted(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return counted(n, static_cast<std::size_t>(a)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
// clang-format on

namespace fennrow::test {
namespace {

TEST(Vst3Allocation, ProcessAllocatesNothing) {
    Vst3Module module;
    Vst3Instance plugin(module);
    const long beforeStart = gAllocations.load();
    ASSERT_TRUE(plugin.start(48000.0, 1024));
    EXPECT_GT(gAllocations.load(), beforeStart) << "the module's allocations are counted";
    for (int call = 0; call < 64; ++call) {
        EventList events;
        events.noteOn(call % 64, static_cast<std::int16_t>(30 + call % 12), 0.8f).noteOff(100, 35);
        ParameterChanges changes;
        changes.point(3, call, (call % 10) / 10.0).point(12, 5, 0.3);
        vst3::ProcessContext context{};
        context.state = vst3::kPlaying | vst3::kTempoValid | vst3::kProjectTimeMusicValid;
        context.tempo = 128.0;
        context.projectTimeMusic = call * 0.5;
        Vst3Block block(1024);
        vst3::ProcessData* data = block.data(events.list(), changes.changes(), &context);
        const long before = gAllocations.load();
        ASSERT_EQ(plugin.process(data), vst3::kResultOk);
        EXPECT_EQ(gAllocations.load(), before) << "call " << call;
    }
}

} // namespace
} // namespace fennrow::test

#endif
