// Hosts that call in the wrong order, pass null pointers or odd setups: every
// call answers, nothing crashes, and the output is always written.
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace fennrow::test {
namespace {

using namespace ::vst3;

TEST(Vst3Hostile, NullPointersAreRefused) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    EXPECT_EQ(plugin.component->vtbl->queryInterface(plugin.component, kIComponentIid.bytes, nullptr),
              kInvalidArgument);
    void* face = &plugin;
    EXPECT_EQ(plugin.component->vtbl->queryInterface(plugin.component, nullptr, &face), kInvalidArgument);
    EXPECT_EQ(face, nullptr);
    EXPECT_EQ(plugin.componentVtbl().getBusInfo(plugin.component, kAudio, kOutput, 0, nullptr),
              kInvalidArgument);
    EXPECT_EQ(plugin.componentVtbl().setState(plugin.component, nullptr), kInvalidArgument);
    EXPECT_EQ(plugin.componentVtbl().getState(plugin.component, nullptr), kInvalidArgument);
    EXPECT_EQ(plugin.controllerVtbl().getParameterInfo(plugin.controller, 0, nullptr), kInvalidArgument);
    EXPECT_EQ(plugin.controllerVtbl().getParamStringByValue(plugin.controller, 1, 0.5, nullptr),
              kInvalidArgument);
    EXPECT_EQ(plugin.controllerVtbl().getParamValueByString(plugin.controller, 1, nullptr, nullptr),
              kInvalidArgument);
    EXPECT_EQ(plugin.processorVtbl().setupProcessing(plugin.processor, nullptr), kInvalidArgument);
    EXPECT_EQ(plugin.processorVtbl().getBusArrangement(plugin.processor, kOutput, 0, nullptr),
              kInvalidArgument);
    EXPECT_EQ(plugin.process(nullptr), kInvalidArgument);
    EXPECT_EQ(plugin.unitsVtbl().getProgramName(plugin.units, 1, 0, nullptr), kInvalidArgument);
    EXPECT_EQ(plugin.setValue(1, std::numeric_limits<double>::quiet_NaN()), kInvalidArgument);
    // Values no host should send still give an answer.
    char16 text[128] = {};
    EXPECT_EQ(plugin.controllerVtbl().getParamStringByValue(plugin.controller, kProgramParamId,
                                                            std::numeric_limits<double>::quiet_NaN(), text),
              kResultOk);
    EXPECT_EQ(plugin.controllerVtbl().getParamStringByValue(plugin.controller, kProgramParamId, 7.5, text),
              kResultOk);
}

TEST(Vst3Hostile, CallsOutOfOrder) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    // Process before any setup: silence, and a refusal.
    Vst3Block block(64);
    EXPECT_NE(plugin.process(block.data()), kResultOk);
    for (float sample : block.channel(0)) ASSERT_EQ(sample, 0.0f);
    EXPECT_EQ(block.output.silenceFlags, 3u);
    EXPECT_NE(plugin.componentVtbl().setActive(plugin.component, 1), kResultOk) << "activation before setup";
    EXPECT_NE(plugin.processorVtbl().setProcessing(plugin.processor, 1), kResultOk);
    EXPECT_EQ(plugin.componentVtbl().setActive(plugin.component, 0), kResultOk);
    EXPECT_EQ(plugin.componentVtbl().base.terminate(plugin.component), kResultOk);

    ASSERT_TRUE(plugin.start(44100.0, 256));
    EXPECT_EQ(plugin.componentVtbl().base.initialize(plugin.component, nullptr), kResultFalse) << "twice";
    EXPECT_EQ(plugin.controllerVtbl().base.initialize(plugin.controller, nullptr), kResultOk)
        << "the other face";
    ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
    EXPECT_EQ(plugin.processorVtbl().setupProcessing(plugin.processor, &setup), kResultFalse)
        << "while active";
    EXPECT_EQ(plugin.componentVtbl().setActive(plugin.component, 1), kResultOk) << "twice";
    EXPECT_EQ(plugin.process(block.data()), kResultOk);
    EXPECT_EQ(plugin.processorVtbl().setProcessing(plugin.processor, 0), kResultOk);
    EXPECT_EQ(plugin.processorVtbl().setProcessing(plugin.processor, 0), kResultOk);
    // A process call without setProcessing(true) still plays, as some hosts expect.
    EXPECT_EQ(plugin.process(block.data()), kResultOk);
    EXPECT_EQ(plugin.componentVtbl().base.terminate(plugin.component), kResultOk);
    EXPECT_EQ(plugin.controllerVtbl().base.terminate(plugin.controller), kResultOk);
    // And the whole life once more after terminate.
    ASSERT_TRUE(plugin.start(48000.0, 128));
    Vst3Block again(128);
    EXPECT_EQ(plugin.process(again.data()), kResultOk);
}

TEST(Vst3Hostile, SixtyFourBitSamplesAreRefused) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    EXPECT_EQ(plugin.processorVtbl().canProcessSampleSize(plugin.processor, kSample32), kResultOk);
    EXPECT_EQ(plugin.processorVtbl().canProcessSampleSize(plugin.processor, kSample64), kResultFalse);
    ProcessSetup setup{kRealtime, kSample64, 512, 48000.0};
    EXPECT_EQ(plugin.processorVtbl().setupProcessing(plugin.processor, &setup), kResultFalse);
    ASSERT_TRUE(plugin.start());
    Vst3Block block(64, 2, 0.25f);
    block.process.symbolicSampleSize = kSample64;
    EXPECT_EQ(plugin.process(block.data()), kInvalidArgument);
    EXPECT_EQ(block.channel(0)[0], 0.25f) << "a 64-bit buffer is not written as 32-bit";
}

struct SetupCase {
    double rate;
    std::int32_t block;
    bool accepted;
};

// Every rate and block size the plugin promises plays a note: every frame
// written, finite; rates outside are refused.
TEST(Vst3Hostile, RatesAndBlockSizes) {
    Vst3Module module;
    const SetupCase cases[] = {
        {1000.0, 1, true},      {768000.0, 16384, true},    {44100.0, 16384, true}, {999.0, 512, false},
        {768001.0, 512, false}, {std::nan(""), 512, false}, {48000.0, 0, false},
    };
    for (const SetupCase& c : cases) {
        SCOPED_TRACE(c.rate);
        SCOPED_TRACE(c.block);
        Vst3Instance plugin(module);
        ASSERT_TRUE(plugin.valid());
        ASSERT_EQ(plugin.start(c.rate, c.block), c.accepted);
        if (!c.accepted) continue;
        EventList events;
        events.noteOn(0, 36, 1.0f);
        for (int call = 0; call < 4; ++call) {
            Vst3Block block(c.block, 2, std::numeric_limits<float>::quiet_NaN());
            ASSERT_EQ(plugin.process(block.data(call == 0 ? events.list() : nullptr)), kResultOk);
            for (std::size_t channel = 0; channel < 2; ++channel) {
                for (float sample : block.channel(channel)) ASSERT_TRUE(std::isfinite(sample));
            }
        }
    }
}

// A host that gives one channel gets the left one; buses the plugin does not
// write, and silence, are marked silent.
TEST(Vst3Hostile, MonoOutputAndSilenceFlags) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.start());
    Vst3Block quiet(128);
    ASSERT_EQ(plugin.process(quiet.data()), kResultOk);
    EXPECT_EQ(quiet.output.silenceFlags, 3u);
    EventList events;
    events.noteOn(0, 40, 1.0f);
    Vst3Block mono(128, 1, std::numeric_limits<float>::quiet_NaN());
    ASSERT_EQ(plugin.process(mono.data(events.list())), kResultOk);
    float peak = 0.0f;
    for (float sample : mono.channel(0)) {
        ASSERT_TRUE(std::isfinite(sample));
        peak = std::max(peak, std::abs(sample));
    }
    EXPECT_GT(peak, 0.0f);
    EXPECT_EQ(mono.output.silenceFlags, 0u);
    Vst3Block none(128);
    none.process.numOutputs = 0;
    EXPECT_EQ(plugin.process(none.data()), kResultOk);
}

// A note on without velocity is a note off, as MIDI hosts send it.
TEST(Vst3Hostile, SilentNoteOnEndsTheNote) {
    Vst3Module module;
    std::vector<float> rendered[2];
    for (int way = 0; way < 2; ++way) {
        Vst3Instance plugin(module);
        ASSERT_TRUE(plugin.start(48000.0, 256));
        for (int call = 0; call < 40; ++call) {
            EventList events;
            if (call == 0) events.noteOn(0, 40, 1.0f);
            if (call == 10 && way == 0) events.noteOff(17, 40);
            if (call == 10 && way == 1) events.noteOn(17, 40, 0.0f);
            Vst3Block block(256);
            ASSERT_EQ(plugin.process(block.data(events.list())), kResultOk);
            rendered[way].insert(rendered[way].end(), block.channel(0).begin(), block.channel(0).end());
        }
    }
    EXPECT_EQ(rendered[0], rendered[1]);
}

} // namespace
} // namespace fennrow::test
