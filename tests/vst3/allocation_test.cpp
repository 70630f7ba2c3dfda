// The VST 3 audio path allocates nothing. On Linux the module shares the
// program's allocator, so its allocations reach the allocation probe; a
// Windows module carries its own runtime, which a test program cannot watch,
// so this test is Linux's.
#if !defined(_WIN32)
#include "support/allocation_probe.h"
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace fennrow::test {
namespace {

TEST(Vst3Allocation, ProcessAllocatesNothing) {
    Vst3Module module;
    Vst3Instance plugin(module);
    {
        const AllocationProbe starting;
        ASSERT_TRUE(plugin.start(48000.0, 1024));
        EXPECT_GT(starting.count(), 0) << "the module's allocations are counted";
    }
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
        const AllocationProbe processing;
        ASSERT_EQ(plugin.process(data), vst3::kResultOk);
        EXPECT_EQ(processing.count(), 0) << "call " << call;
    }
}

} // namespace
} // namespace fennrow::test

#endif
