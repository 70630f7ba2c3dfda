// Counts every call to the global allocator, to prove that the audio path
// allocates nothing and that a failed allocation at creation gives a null
// plugin. The replacements below serve the whole test program.
#include "plugin/param_writes.h"
#include "support/audio_block.h"
#include "support/event_list.h"
#include "support/plugin_harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<long> gAllocations{0};
std::atomic<bool> gFailAllocations{false};

// Every block carries the address malloc gave just below the one handed
// out, so any alignment works with plain malloc and free on every system.
void* allocate(std::size_t size, std::size_t alignment) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (gFailAllocations.load(std::memory_order_relaxed)) return nullptr;
    if (alignment < alignof(std::max_align_t)) alignment = alignof(std::max_align_t);
    void* raw = std::malloc(size + alignment + sizeof(void*));
    if (raw == nullptr) return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
    void** block = reinterpret_cast<void**>((start + alignment - 1) / alignment * alignment);
    block[-1] = raw;
    return block;
}

void release(void* block) noexcept {
    if (block != nullptr) std::free(static_cast<void**>(block)[-1]);
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
    void* memory = allocate(size, alignment);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

constexpr std::size_t kPlain = alignof(std::max_align_t);

} // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size, kPlain); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, kPlain); }
void* operator new(std::size_t size, std::align_val_t a) {
    return allocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
    return allocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, kPlain); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, kPlain); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocate(size, static_cast<std::size_t>(a));
}
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

namespace fennrow {
namespace {

using test::AudioBlock;
using test::InputEvents;
using test::TestPlugin;

long allocationsDuring(TestPlugin& p, const clap_process_t* process) {
    const long before = gAllocations.load();
    p.process(process);
    return gAllocations.load() - before;
}

TEST(RealTime, ProcessDoesNotAllocate) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(48000.0, 256));
    const clap_event_transport_t transport = test::makeTransport(
        CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING, 128.0,
        16.0);

    InputEvents events;
    events.noteOn(0, 40, 1.0, 3).param(17, 7, 0.8).noteOn(64, 43, 0.5).noteChoke(100, -1);
    alignas(8) unsigned char extras[40] = {};
    const clap_event_header_t header{40, 20, 7, 200, 0};
    const int32_t noteId = 3;
    std::memcpy(extras, &header, sizeof header);
    std::memcpy(extras + 16, &noteId, sizeof noteId);
    events.addBytes(extras, sizeof extras);

    AudioBlock stereo(256, 2);
    AudioBlock mono(600, 1); // longer than announced: rendered in pieces
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(allocationsDuring(p, stereo.process(events.clap(), &transport)), 0);
        EXPECT_EQ(allocationsDuring(p, stereo.process()), 0);
        EXPECT_EQ(allocationsDuring(p, mono.process(events.clap())), 0);
    }
    // A snapshot picked up at the start of a block costs no allocation either.
    applyLoadedSound(p.instance(), defaultSoundSnapshot());
    EXPECT_EQ(allocationsDuring(p, stereo.process(events.clap())), 0);
    const long before = gAllocations.load();
    p.plugin->reset(p.plugin);
    EXPECT_EQ(gAllocations.load() - before, 0);
}

TEST(RealTime, CountingSeesAllocations) {
    const long before = gAllocations.load();
    auto* probe = new int(3);
    delete probe;
    EXPECT_EQ(gAllocations.load() - before, 1);
}

TEST(Creation, FailedAllocationGivesANullPlugin) {
    test::FakeHost host;
    gFailAllocations = true;
    const clap_plugin_t* plugin = createPluginInstance(host.clap(), nullptr, nullptr);
    gFailAllocations = false;
    EXPECT_EQ(plugin, nullptr);
}

} // namespace
} // namespace fennrow
