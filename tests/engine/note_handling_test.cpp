#include "engine/synth_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace fennrow {
namespace {

constexpr float kRate = 48000.0f;

SynthEngine preparedEngine(bool legato) {
    SynthEngine e;
    EnginePrepare(e, kRate);
    e.legato = legato;
    return e;
}

void render(SynthEngine& e, int frames, SoundParams params = SoundParams{}) {
    std::vector<float> l(frames), r(frames);
    EngineRender(e, params, defaultCurveSet(), BlockTiming{}, l.data(), r.data(), static_cast<uint32_t>(frames));
}

std::vector<int> heldKeys(const SynthEngine& e) {
    return std::vector<int>(e.notes.keys, e.notes.keys + e.notes.count);
}

TEST(NoteHandling, RetriggerOrLegato) {
    struct Case {
        bool legato;
        bool holdFirst;
        bool retriggers;
    };
    const Case cases[] = {
        {false, false, true},
        {false, true, true},
        {true, false, true},
        {true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "legato " << c.legato << " hold " << c.holdFirst);
        SynthEngine e = preparedEngine(c.legato);
        EngineNoteOn(e, 40, 1.0f);
        if (!c.holdFirst) EngineNoteOff(e, 40);
        e.punch.value = 0.25f;
        e.samplesSinceNoteOn = 1000.0;
        e.amp.state = AmpStage::Decay;
        e.pluck.attacking = false;
        EngineNoteOn(e, 43, 0.5f);
        EXPECT_EQ(e.targetNote, 43.0f);
        EXPECT_EQ(e.velocityTarget, 0.5f);
        EXPECT_TRUE(e.pluck.attacking); // the pluck restarts in every case
        if (c.retriggers) {
            EXPECT_EQ(e.pitch.value, 43.0f);
            EXPECT_EQ(e.punch.value, 1.0f);
            EXPECT_EQ(e.samplesSinceNoteOn, 0.0);
            EXPECT_EQ(e.amp.state, AmpStage::Attack);
        } else {
            EXPECT_EQ(e.pitch.value, 40.0f); // glides from here
            EXPECT_EQ(e.punch.value, 0.25f);
            EXPECT_EQ(e.samplesSinceNoteOn, 1000.0);
            EXPECT_EQ(e.amp.state, AmpStage::Decay);
        }
    }
}

TEST(NoteHandling, PressingTheOnlyHeldKeyAgainInLegatoDoesNotRetrigger) {
    SynthEngine e = preparedEngine(true);
    EngineNoteOn(e, 40, 1.0f);
    e.punch.value = 0.5f;
    EngineNoteOn(e, 40, 1.0f);
    EXPECT_EQ(e.punch.value, 0.5f);
    EXPECT_EQ(heldKeys(e), std::vector<int>{40});
}

TEST(NoteHandling, LastNotePriorityGlidesBack) {
    for (bool legato : {false, true}) {
        SCOPED_TRACE(legato);
        SynthEngine e = preparedEngine(legato);
        EngineNoteOn(e, 40, 1.0f);
        EngineNoteOn(e, 43, 1.0f);
        SynthEngine releaseNewest = e;
        EngineNoteOff(releaseNewest, 43);
        EXPECT_EQ(releaseNewest.targetNote, 40.0f);
        EXPECT_EQ(releaseNewest.pitch.value, e.pitch.value); // glides, does not jump
        EXPECT_EQ(releaseNewest.amp.state, AmpStage::Attack);

        SoundParams p;
        p.glide = 0.01f;
        render(releaseNewest, 4800, p);
        EXPECT_NEAR(releaseNewest.pitch.value, 40.0f, 1e-3f);

        EngineNoteOff(e, 40);
        EXPECT_EQ(e.targetNote, 43.0f);
        EXPECT_EQ(heldKeys(e), std::vector<int>{43});
    }
}

TEST(NoteHandling, StackKeepsTheNewestEightKeys) {
    SynthEngine e = preparedEngine(true);
    for (int key = 50; key < 59; ++key) EngineNoteOn(e, key, 1.0f);
    EXPECT_EQ(heldKeys(e), (std::vector<int>{51, 52, 53, 54, 55, 56, 57, 58}));
    EngineNoteOff(e, 50); // forgotten: changes nothing
    EXPECT_EQ(e.notes.count, 8);
    EXPECT_EQ(e.targetNote, 58.0f);
    EXPECT_NE(e.amp.state, AmpStage::Release);

    EngineNoteOn(e, 53, 1.0f); // a held key moves to the top
    EXPECT_EQ(heldKeys(e), (std::vector<int>{51, 52, 54, 55, 56, 57, 58, 53}));
    EngineNoteOff(e, 99); // not held
    EXPECT_EQ(e.targetNote, 53.0f);
    EXPECT_EQ(e.notes.count, 8);
}

TEST(NoteHandling, ReleaseTimeFollowsTheHeldTime) {
    struct Case {
        double heldSeconds;
        float releaseSeconds;
    };
    const Case cases[] = {{0.0, 0.02f}, {0.5, 0.5f * 0.18f + 0.02f}, {1.0, 0.2f}, {30.0, 0.2f}};
    for (const Case& c : cases) {
        SynthEngine e = preparedEngine(false);
        EngineNoteOn(e, 40, 1.0f);
        e.samplesSinceNoteOn = c.heldSeconds * kRate;
        EngineNoteOff(e, 40);
        EXPECT_EQ(e.amp.state, AmpStage::Release);
        EXPECT_EQ(e.amp.coefficient, onePoleCoefficient(c.releaseSeconds, kRate)) << c.heldSeconds;
    }
}

TEST(NoteHandling, LegatoReleaseCountsFromTheFirstKeyOfThePhrase) {
    SynthEngine e = preparedEngine(true);
    EngineNoteOn(e, 40, 1.0f);
    render(e, 48000);
    EngineNoteOn(e, 43, 1.0f);
    EngineNoteOff(e, 40);
    render(e, 64);
    EngineNoteOff(e, 43);
    EXPECT_EQ(e.amp.coefficient, onePoleCoefficient(0.2f, kRate));
}

TEST(NoteHandling, ReleaseAllAndNoteOffWithNothingHeld) {
    SynthEngine e = preparedEngine(false);
    EngineNoteOn(e, 40, 1.0f);
    EngineNoteOn(e, 45, 1.0f);
    EngineReleaseAll(e);
    EXPECT_EQ(e.notes.count, 0);
    EXPECT_EQ(e.amp.state, AmpStage::Release);

    SynthEngine idle = preparedEngine(false);
    EngineNoteOff(idle, 40);
    EXPECT_EQ(idle.amp.state, AmpStage::Release);
    render(idle, 1);
    EXPECT_EQ(idle.amp.state, AmpStage::Idle);
    EXPECT_EQ(idle.amp.level, 0.0f);
}

TEST(NoteHandling, VelocityIsClamped) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float in, stored;
    };
    const Case cases[] = {{0.3f, 0.3f}, {1.5f, 1.0f}, {-0.5f, 0.0f}, {inf, 1.0f}, {-inf, 0.0f},
                          {std::numeric_limits<float>::quiet_NaN(), 1.0f}};
    for (const Case& c : cases) {
        SynthEngine e = preparedEngine(false);
        EngineNoteOn(e, 40, c.in);
        EXPECT_EQ(e.velocityTarget, c.stored) << c.in;
    }
}

TEST(NoteHandling, KeysOutsideTheMidiRangeAreIgnored) {
    SynthEngine e = preparedEngine(false);
    EngineNoteOn(e, 128, 1.0f);
    EngineNoteOn(e, -1, 1.0f);
    EXPECT_EQ(e.notes.count, 0);
    EXPECT_EQ(e.amp.state, AmpStage::Idle);
}

TEST(NoteHandling, OscillatorsRestartOnlyFromSilence) {
    for (AmpStage stage : {AmpStage::Idle, AmpStage::Attack, AmpStage::Decay, AmpStage::Release}) {
        SynthEngine e = preparedEngine(false);
        e.amp.state = stage;
        e.amp.level = 0.5f;
        e.subPhase = 0.25;
        e.oscA.phase = 0.5;
        e.oscB.y1 = 0.75f;
        e.shaperA.previous = 0.5f;
        e.decimatorB.ring[3] = 1.0f;
        e.toneA.ic1 = 0.125f; // filters are never reset by notes
        EngineNoteOn(e, 40, 1.0f);
        const bool fresh = stage == AmpStage::Idle;
        EXPECT_EQ(e.subPhase == 0.0, fresh);
        EXPECT_EQ(e.oscA.phase == 0.0, fresh);
        EXPECT_EQ(e.oscB.y1 == 0.0f, fresh);
        EXPECT_EQ(e.shaperA.previous == 0.0f, fresh);
        EXPECT_EQ(e.decimatorB.ring[3] == 0.0f, fresh);
        EXPECT_EQ(e.toneA.ic1, 0.125f);
        EXPECT_EQ(e.amp.level, 0.5f); // the attack starts where the level is
        EXPECT_EQ(e.amp.state, AmpStage::Attack);
    }
}

TEST(AmpEnvelope, StagesFollowTheShape) {
    AmpEnvelope env;
    env.sampleRate = kRate;
    env.shape = 0.5f;
    startAttack(env);
    EXPECT_EQ(env.coefficient, onePoleCoefficient(0.101f, kRate));
    int samples = 0;
    while (env.state == AmpStage::Attack && samples < 100000) {
        advanceAmpEnvelope(env);
        ++samples;
    }
    EXPECT_GT(env.level, 0.99f);
    EXPECT_NEAR(samples / kRate, 0.101f * std::log(100.0f), 0.01f);
    EXPECT_EQ(env.coefficient, onePoleCoefficient(0.45f, kRate));

    env.shape = 0.2f; // sustain follows the shape: min(1, 2 * 0.2)
    for (int i = 0; i < 10 * 48000; ++i) advanceAmpEnvelope(env);
    EXPECT_NEAR(env.level, 0.4f, 1e-3f); // a slow one-pole stalls a few ulps short

    startRelease(env, 0.02f);
    float last = 1.0f;
    while (env.state == AmpStage::Release) last = advanceAmpEnvelope(env);
    EXPECT_GT(last, 0.0f); // the last small level is still played
    EXPECT_LT(last, 0.0005f);
    EXPECT_EQ(env.level, last);
    EXPECT_EQ(advanceAmpEnvelope(env), 0.0f);
}

TEST(AmpEnvelope, PluckShapeDecaysToSilence) {
    AmpEnvelope env;
    env.sampleRate = kRate;
    env.shape = 0.0f;
    startAttack(env);
    for (int i = 0; i < 8 * 48000; ++i) {
        const float level = advanceAmpEnvelope(env);
        ASSERT_TRUE(level == 0.0f || level >= 1e-15f);
    }
    EXPECT_EQ(env.state, AmpStage::Decay);
    EXPECT_EQ(env.level, 0.0f);
}

TEST(PluckEnvelope, AttacksThenDecays) {
    SynthEngine e = preparedEngine(false);
    PluckEnvelope env = e.pluck;
    env.level = 0.0f;
    env.attacking = true;
    int samples = 0;
    while (env.attacking) {
        advancePluckEnvelope(env);
        ++samples;
    }
    EXPECT_NEAR(samples, 0.001f * kRate * std::log(1000.0f), 2.0f);
    for (int i = 0; i < 48000 * 3; ++i) advancePluckEnvelope(env);
    EXPECT_EQ(env.level, 0.0f);
}

} // namespace
} // namespace fennrow
