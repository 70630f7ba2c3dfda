// The audio path allocates nothing, and a failed allocation at creation
// gives a null plugin; with the allocation probe's rule checked first, since
// every such test rests on it.
#include "plugin/param_writes.h"
#include "support/allocation_probe.h"
#include "support/audio_block.h"
#include "support/event_list.h"
#include "support/plugin_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace fennrow::test {
namespace {

using test::AudioBlock;
using test::InputEvents;
using test::TestPlugin;

using test::AllocationProbe;
using test::RefusedAllocations;

long allocationsDuring(TestPlugin& p, const clap_process_t* process) {
    const AllocationProbe probe;
    p.process(process);
    return probe.count();
}

// Where the optimiser cannot follow a pointer, so that it cannot elide a
// new and delete pair.
void* volatile gEscaped = nullptr;

template <typename T>
void destroy(T* object) {
    gEscaped = object;
    delete object;
}

template <typename T>
void destroyArray(T* objects) {
    gEscaped = objects;
    delete[] objects;
}

// The probe counts every form of new made on its thread while it lives, and
// nothing of another thread; nested probes each see their own span.
TEST(AllocationProbe, CountsWhatItsThreadAllocatesWhileItLives) {
    struct alignas(64) Wide {
        char bytes[64];
    };
    const AllocationProbe outer;
    long count = 0;
    std::size_t largest = 0, peak = 0;
    bool aligned = false;
    {
        const AllocationProbe inner;
        std::thread([] { std::vector<char> elsewhere(1 << 20); }).join();
        const long fromThreadStart = inner.count();
        destroy(new int(2));
        destroyArray(new char[100]);
        const std::unique_ptr<Wide> wide = std::make_unique<Wide>();
        gEscaped = wide.get();
        aligned = reinterpret_cast<std::uintptr_t>(wide.get()) % alignof(Wide) == 0;
        destroy(new (std::nothrow) int(3));
        std::vector<char> held(5000);
        gEscaped = held.data();
        count = inner.count() - fromThreadStart;
        largest = inner.largest();
        peak = inner.peakBytes();
    }
    EXPECT_EQ(count, 5);
    EXPECT_EQ(largest, 5000u) << "the other thread's megabyte is not seen";
    EXPECT_GE(peak, 5000u + sizeof(Wide));
    EXPECT_LT(peak, 5000u + sizeof(Wide) + 1000u);
    EXPECT_TRUE(aligned);
    EXPECT_GE(outer.count(), count);

    bool threw = false;
    int* refusedQuietly = nullptr;
    {
        const RefusedAllocations refused;
        try {
            destroy(new int(4));
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        refusedQuietly = new (std::nothrow) int(5);
        gEscaped = refusedQuietly;
    }
    EXPECT_TRUE(threw);
    EXPECT_EQ(refusedQuietly, nullptr);
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
    applyLoadedSound(p.instance(), engine::defaultSoundSnapshot());
    EXPECT_EQ(allocationsDuring(p, stereo.process(events.clap())), 0);
    const AllocationProbe resetting;
    p.plugin->reset(p.plugin);
    EXPECT_EQ(resetting.count(), 0);
}

TEST(Creation, FailedAllocationGivesANullPlugin) {
    test::FakeHost host;
    const clap_plugin_t* plugin = nullptr;
    {
        const RefusedAllocations refused;
        plugin = plugin::createPluginInstance(host.clap(), nullptr, nullptr);
    }
    EXPECT_EQ(plugin, nullptr);
}

} // namespace
} // namespace fennrow::test
