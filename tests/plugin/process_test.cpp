#include "plugin/event_dispatch.h"
#include "support/audio_block.h"
#include "support/event_list.h"
#include "support/plugin_harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace fennrow::test {
namespace {

using test::AudioBlock;
using test::InputEvents;
using test::TestPlugin;

constexpr float kSentinel = std::numeric_limits<float>::quiet_NaN();

// The engine driven directly, slice by slice, as the process loop should.
struct Reference {
    explicit Reference(float sampleRate, const engine::SoundSnapshot& sound = engine::defaultSoundSnapshot())
        : sound(sound) {
        enginePrepare(engine, sampleRate);
    }
    void render(uint32_t frames, const engine::BlockTiming& timing = {}) {
        const size_t at = left.size();
        left.resize(at + frames);
        right.resize(at + frames);
        engineRender(engine, sound.params, sound.curves, timing, left.data() + at, right.data() + at, frames);
    }
    engine::SynthEngine engine;
    engine::SoundSnapshot sound;
    std::vector<float> left, right;
};

bool anyNonZero(const std::vector<float>& samples) {
    for (float s : samples) {
        if (s != 0.0f) return true;
    }
    return false;
}

void expectSameSamples(const std::vector<float>& actual, const std::vector<float>& expected,
                       size_t offset = 0) {
    ASSERT_GE(expected.size(), offset + actual.size());
    EXPECT_EQ(std::memcmp(actual.data(), expected.data() + offset, actual.size() * sizeof(float)), 0);
}

TEST(Process, NoteSplitIsSampleAccurate) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(48000.0, 64));
    InputEvents events;
    events.noteOn(0, 48, 0.8).noteOff(32, 48);
    AudioBlock block(64);
    EXPECT_EQ(p.process(block.process(events.clap())), CLAP_PROCESS_CONTINUE);
    AudioBlock next(64);
    EXPECT_EQ(p.process(next.process()), CLAP_PROCESS_CONTINUE);

    Reference ref(48000.0f);
    engineNoteOn(ref.engine, 48, 0.8f);
    ref.render(32);
    engineNoteOff(ref.engine, 48);
    ref.render(32);
    ref.render(64);
    ASSERT_TRUE(anyNonZero(ref.left));
    expectSameSamples(block.channel(0), ref.left);
    expectSameSamples(block.channel(1), ref.right);
    expectSameSamples(next.channel(0), ref.left, 64);
    expectSameSamples(next.channel(1), ref.right, 64);
}

TEST(Process, EventsAtOneTimeGoBeforeItsSliceAndLateOnesAfterTheBlock) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(48000.0, 64));
    InputEvents events;
    // Two events at 16 (a parameter and a note), then a note at the block's end.
    events.param(16, 14, 1.0).noteOn(16, 40, 1.0).noteOn(64, 52, 1.0);
    AudioBlock block(64);
    p.process(block.process(events.clap()));
    AudioBlock next(64);
    p.process(next.process());

    Reference ref(48000.0f);
    ref.render(16);
    ref.sound.params.pluck = 1.0f;
    engineNoteOn(ref.engine, 40, 1.0f);
    ref.render(48);
    engineNoteOn(ref.engine, 52, 1.0f);
    ref.render(64);
    expectSameSamples(block.channel(0), ref.left);
    expectSameSamples(next.channel(0), ref.left, 64);
    expectSameSamples(next.channel(1), ref.right, 64);
}

struct TimingCase {
    const char* what;
    bool hasTransport;
    uint32_t flags;
    double tempo;
    double songBeats;
    engine::BlockTiming first; // expected timing of the slice at frame 0
    double secondBeat;         // expected beat position of the slice at frame 240
};

TEST(Process, SliceTimingFollowsTheTransport) {
    constexpr uint32_t all =
        CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
    const TimingCase cases[] = {
        {"no transport", false, 0, 0.0, 0.0, {0.0, 120.0f, false}, 0.0},
        {"playing at 120", true, all, 120.0, 8.0, {8.0, 120.0f, true}, 8.01},
        {"stopped at 90",
         true,
         all & ~CLAP_TRANSPORT_IS_PLAYING,
         90.0,
         2.5,
         {2.5, 90.0f, false},
         2.5 + 240.0 * (90.0 / (48000.0 * 60.0))},
        {"tempo without timeline",
         true,
         CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_IS_PLAYING,
         140.0,
         8.0,
         {0.0, 140.0f, false},
         240.0 * (static_cast<double>(140.0f) / 2880000.0)},
        {"timeline without tempo",
         true,
         CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING,
         77.0,
         4.0,
         {4.0, 120.0f, true},
         4.01},
        {"NaN tempo keeps the default",
         true,
         all,
         std::numeric_limits<double>::quiet_NaN(),
         1.0,
         {1.0, 120.0f, true},
         1.01},
    };
    for (const TimingCase& c : cases) {
        SCOPED_TRACE(c.what);
        engine::SoundSnapshot sound = engine::defaultSoundSnapshot();
        sound.params.motion = 1.0f;
        sound.params.arcAmount = 1.0f;
        sound.params.motionRate = 0.25f;
        sound.curves.points[engine::kCurveArcTone][3] = 1.0f;

        TestPlugin p;
        p.instance().liveSound = sound;
        ASSERT_TRUE(p.activate(48000.0, 512));
        InputEvents events;
        events.noteOn(0, 36, 1.0).param(240, 3, 0.9);
        const clap_event_transport_t transport = test::makeTransport(c.flags, c.tempo, c.songBeats);
        AudioBlock block(512);
        p.process(block.process(events.clap(), c.hasTransport ? &transport : nullptr));

        Reference ref(48000.0f, sound);
        engineNoteOn(ref.engine, 36, 1.0f);
        ref.render(240, c.first);
        ref.sound.params.tone = 0.9f;
        ref.render(272, engine::BlockTiming{c.secondBeat, c.first.tempo, c.first.playing});
        ASSERT_TRUE(anyNonZero(ref.left));
        expectSameSamples(block.channel(0), ref.left);
        expectSameSamples(block.channel(1), ref.right);
    }
}

TEST(Process, MonoOutputGetsTheLeftChannel) {
    TestPlugin stereo;
    TestPlugin mono;
    ASSERT_TRUE(stereo.activate(48000.0, 128));
    ASSERT_TRUE(mono.activate(48000.0, 128));
    InputEvents events;
    events.noteOn(3, 45, 0.9);
    AudioBlock two(128, 2);
    AudioBlock one(128, 1);
    stereo.process(two.process(events.clap()));
    mono.process(one.process(events.clap()));
    ASSERT_TRUE(anyNonZero(two.channel(0)));
    EXPECT_EQ(one.channel(0), two.channel(0));
}

TEST(Process, BlocksLongerThanAnnouncedStayInsideTheScratchArray) {
    // Announced 64 frames (or none at all), then sent 1000: the mono path
    // renders in pieces and writes every frame, matching a stereo rendering.
    for (uint32_t announced : {64u, 0u}) {
        SCOPED_TRACE(announced);
        TestPlugin stereo;
        TestPlugin mono;
        ASSERT_TRUE(stereo.activate(48000.0, 2000));
        ASSERT_TRUE(mono.activate(48000.0, announced));
        InputEvents events;
        events.noteOn(10, 50, 1.0).noteOff(700, 50);
        AudioBlock two(1000, 2, kSentinel);
        AudioBlock one(1000, 1, kSentinel);
        stereo.process(two.process(events.clap()));
        mono.process(one.process(events.clap()));
        EXPECT_EQ(std::memcmp(one.channel(0).data(), two.channel(0).data(), 1000 * sizeof(float)), 0);
        // Stereo blocks beyond the announced size are rendered whole as well.
        TestPlugin small;
        ASSERT_TRUE(small.activate(48000.0, announced));
        AudioBlock big(1000, 2, kSentinel);
        small.process(big.process(events.clap()));
        EXPECT_EQ(big.channel(0), two.channel(0));
    }
}

TEST(Process, MissingOrOddOutputsDoNotCrash) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(48000.0, 64));
    InputEvents events;
    events.noteOn(0, 40, 1.0).param(5, 1, 0.2);

    AudioBlock block(64);
    clap_process_t process = *block.process(events.clap());
    process.audio_outputs = nullptr;
    EXPECT_EQ(p.process(&process), CLAP_PROCESS_CONTINUE);
    // Events are still handled when nothing can be rendered.
    EXPECT_EQ(p.instance().paramValues[0].load(), 0.2f);

    process = *block.process(events.clap());
    process.audio_outputs_count = 0;
    EXPECT_EQ(p.process(&process), CLAP_PROCESS_CONTINUE);

    block.output.channel_count = 0;
    EXPECT_EQ(p.process(block.process(events.clap())), CLAP_PROCESS_CONTINUE);
    block.output.channel_count = 2;

    float* const saved[2] = {block.output.data32[0], block.output.data32[1]};
    block.output.data32 = nullptr;
    EXPECT_EQ(p.process(block.process(events.clap())), CLAP_PROCESS_CONTINUE);

    // A missing left channel: the right one is silenced rather than left stale.
    float* onlyRight[2] = {nullptr, saved[1]};
    block.output.data32 = onlyRight;
    block.fill(kSentinel);
    EXPECT_EQ(p.process(block.process(events.clap())), CLAP_PROCESS_CONTINUE);
    for (float s : block.channel(1)) EXPECT_EQ(s, 0.0f);

    // A missing right channel: rendered as mono.
    float* onlyLeft[2] = {saved[0], nullptr};
    block.output.data32 = onlyLeft;
    block.fill(kSentinel);
    EXPECT_EQ(p.process(block.process(events.clap())), CLAP_PROCESS_CONTINUE);
    for (float s : block.channel(0)) EXPECT_TRUE(std::isfinite(s));

    EXPECT_EQ(p.process(nullptr), CLAP_PROCESS_CONTINUE);
}

TEST(Process, ExtraChannelsAndBuffersAreSilenced) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(48000.0, 32));
    AudioBlock main(32, 3, kSentinel);
    AudioBlock aux(32, 2, kSentinel);
    clap_audio_buffer_t outputs[2] = {main.output, aux.output};
    InputEvents events;
    events.noteOn(0, 40, 1.0);
    clap_process_t process = *main.process(events.clap());
    process.audio_outputs = outputs;
    process.audio_outputs_count = 2;
    p.process(&process);
    for (uint32_t c = 0; c < 3; ++c) {
        for (float s : main.channel(c)) EXPECT_TRUE(std::isfinite(s)) << c;
    }
    for (float s : main.channel(2)) EXPECT_EQ(s, 0.0f);
    for (float s : aux.channel(0)) EXPECT_EQ(s, 0.0f);
    for (float s : aux.channel(1)) EXPECT_EQ(s, 0.0f);
}

TEST(Process, ShortCoreEventsAreIgnored) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(48000.0, 64));
    InputEvents events;
    clap_event_note_t note = test::noteEvent(CLAP_EVENT_NOTE_ON, 0, 40, 1.0);
    note.header.size = 32; // velocity would lie beyond
    clap_event_param_value_t param = test::paramEvent(0, 1, 0.1);
    param.header.size = 48;
    events.add(note).add(param);
    clap_event_header_t bare{8, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_ON, 0};
    events.addBytes(&bare, sizeof bare);
    AudioBlock block(64);
    p.process(block.process(events.clap()));
    EXPECT_FALSE(anyNonZero(block.channel(0)));
    EXPECT_EQ(p.instance().paramValues[0].load(), 0.6f);
}

struct NoteCase {
    const char* what;
    int16_t onKey;
    uint16_t offType;
    int16_t offKey;
    bool soundsAfterOff; // the voice is still held after the second event
};

TEST(Process, NoteKeysAndWildcards) {
    const NoteCase cases[] = {
        {"off releases", 60, CLAP_EVENT_NOTE_OFF, 60, false},
        {"choke acts like off", 60, CLAP_EVENT_NOTE_CHOKE, 60, false},
        {"off -1 releases all", 60, CLAP_EVENT_NOTE_OFF, -1, false},
        {"off of another key", 60, CLAP_EVENT_NOTE_OFF, 61, true},
        {"off 128 is ignored", 60, CLAP_EVENT_NOTE_OFF, 128, true},
    };
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.what);
        TestPlugin p;
        ASSERT_TRUE(p.activate(48000.0, 64));
        InputEvents events;
        events.noteOn(0, c.onKey, 1.0).add(test::noteEvent(c.offType, 0, c.offKey));
        AudioBlock block(64);
        p.process(block.process(events.clap()));

        Reference ref(48000.0f);
        engineNoteOn(ref.engine, c.onKey, 1.0f);
        if (!c.soundsAfterOff) engineReleaseAll(ref.engine);
        ref.render(64);
        expectSameSamples(block.channel(0), ref.left);
    }
    for (int16_t key : {int16_t{-1}, int16_t{128}}) {
        TestPlugin p;
        ASSERT_TRUE(p.activate(48000.0, 64));
        InputEvents events;
        events.noteOn(0, key, 1.0);
        AudioBlock block(64);
        p.process(block.process(events.clap()));
        EXPECT_FALSE(anyNonZero(block.channel(0))) << key;
    }
}

TEST(Process, NoteRecordsLastOneBlockAndANoteOnStartsAfresh) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(48000.0, 64));
    plugin::NoteExtrasTable& table = p.instance().noteExtras;
    ASSERT_EQ(table.spaceId, 7u);
    noteExtrasFor(table, 12);
    noteExtrasFor(table, 13);
    dispatchEvent(p.instance(), nullptr);
    const clap_event_note_t on = test::noteEvent(CLAP_EVENT_NOTE_ON, 0, 200, 1.0, 12);
    dispatchEvent(p.instance(), &on.header);
    EXPECT_EQ(findNoteExtras(table, 12), nullptr);
    EXPECT_NE(findNoteExtras(table, 13), nullptr);

    alignas(8) unsigned char extras[32] = {};
    const clap_event_header_t header{32, 3, 7, 300, 0};
    const int32_t noteId = 14;
    std::memcpy(extras, &header, sizeof header);
    std::memcpy(extras + 16, &noteId, sizeof noteId);
    InputEvents events;
    events.addBytes(extras, sizeof extras);
    AudioBlock block(16);
    p.process(block.process(events.clap()));
    for (const plugin::NoteExtrasSlot& slot : table.slots) EXPECT_FALSE(slot.inUse);
}

TEST(Process, UnsortedAndZeroLengthBlocksStillHandleEveryEvent) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(48000.0, 64));
    InputEvents late;
    late.param(40, 1, 0.1).param(10, 2, 0.2).param(50, 3, 0.3);
    AudioBlock block(64, 2, kSentinel);
    EXPECT_EQ(p.process(block.process(late.clap())), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(p.instance().paramValues[0].load(), 0.1f);
    EXPECT_EQ(p.instance().paramValues[1].load(), 0.2f);
    EXPECT_EQ(p.instance().paramValues[2].load(), 0.3f);
    for (float s : block.channel(0)) EXPECT_TRUE(std::isfinite(s));

    InputEvents atZero;
    atZero.param(0, 4, 0.4).param(9, 5, 0.2);
    AudioBlock empty(0);
    EXPECT_EQ(p.process(empty.process(atZero.clap())), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(p.instance().paramValues[3].load(), 0.4f);
    EXPECT_EQ(p.instance().paramValues[4].load(), 0.2f);
}

TEST(Process, EveryFrameIsWrittenAtAnyRateAndBlockSize) {
    const double rates[] = {1000.0, 8000.0, 44100.0, 192000.0, 768000.0};
    const uint32_t sizes[] = {1, 7, 64, 1000, 16384};
    for (double rate : rates) {
        for (uint32_t frames : sizes) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << frames << " frames");
            TestPlugin p;
            ASSERT_TRUE(p.activate(rate, frames));
            InputEvents events;
            events.noteOn(0, 30, 1.0).param(frames / 2, 6, 1.0);
            const clap_event_transport_t transport = test::makeTransport(
                CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING,
                174.0, 3.0);
            for (int round = 0; round < 3; ++round) {
                AudioBlock block(frames, 2, kSentinel);
                ASSERT_EQ(p.process(block.process(round == 0 ? events.clap() : nullptr, &transport)),
                          CLAP_PROCESS_CONTINUE);
                for (uint32_t c = 0; c < 2; ++c) {
                    for (float s : block.channel(c)) ASSERT_TRUE(std::isfinite(s));
                }
            }
        }
    }
}

} // namespace
} // namespace fennrow::test
