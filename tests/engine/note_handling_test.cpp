#include "engine/synth_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace fennrow::test {
namespace {

constexpr float kRate = 48000.0f;

engine::SynthEngine engineWithLegato(bool legato) {
    engine::SynthEngine e;
    enginePrepare(e, kRate);
    e.legato = legato;
    return e;
}

void render(engine::SynthEngine& e, int frames, const engine::SoundParams& params = engine::SoundParams{}) {
    std::vector<float> l(frames), r(frames);
    engineRender(e, params, engine::defaultCurveSet(), engine::BlockTiming{}, l.data(), r.data(),
                 static_cast<uint32_t>(frames));
}

std::vector<int> held(const engine::SynthEngine& e) { return {e.notes.keys, e.notes.keys + e.notes.count}; }

TEST(NoteHandling, RetriggerUnlessLegatoOverAHeldKey) {
    struct Case {
        bool legato, holdFirst, retriggers;
    };
    for (const Case c : {Case{false, false, true}, Case{false, true, true}, Case{true, false, true},
                         Case{true, true, false}}) {
        SCOPED_TRACE(::testing::Message() << "legato " << c.legato << " hold " << c.holdFirst);
        engine::SynthEngine e = engineWithLegato(c.legato);
        engineNoteOn(e, 40, 1.0f);
        if (!c.holdFirst) engineNoteOff(e, 40);
        e.punch.value = 0.25f;
        e.samplesSinceNoteOn = 1000.0;
        e.amp.state = engine::AmpStage::Decay;
        e.pluck.attacking = false;
        engineNoteOn(e, 43, 0.5f);
        EXPECT_EQ(e.targetNote, 43.0f);
        EXPECT_EQ(e.velocityTarget, 0.5f);
        EXPECT_TRUE(e.pluck.attacking);                         // the pluck restarts either way
        EXPECT_EQ(e.pitch.value, c.retriggers ? 43.0f : 40.0f); // legato glides from here
        EXPECT_EQ(e.punch.value, c.retriggers ? 1.0f : 0.25f);
        EXPECT_EQ(e.samplesSinceNoteOn, c.retriggers ? 0.0 : 1000.0);
        EXPECT_EQ(e.amp.state, c.retriggers ? engine::AmpStage::Attack : engine::AmpStage::Decay);
    }
}

TEST(NoteHandling, LastNotePriorityGlidesBackInBothModes) {
    for (bool legato : {false, true}) {
        engine::SynthEngine e = engineWithLegato(legato);
        engineNoteOn(e, 40, 1.0f);
        engineNoteOn(e, 43, 1.0f);
        engine::SynthEngine back = e;
        engineNoteOff(back, 43);
        EXPECT_EQ(back.targetNote, 40.0f) << legato;
        EXPECT_EQ(back.pitch.value, e.pitch.value) << legato; // glides, does not jump
        engine::SoundParams p;
        p.glide = 0.01f;
        render(back, 4800, p);
        EXPECT_NEAR(back.pitch.value, 40.0f, 1e-3f) << legato;

        engineNoteOff(e, 40);
        EXPECT_EQ(e.targetNote, 43.0f) << legato;
        EXPECT_EQ(held(e), std::vector<int>{43}) << legato;
    }
}

TEST(NoteHandling, StackKeepsTheNewestEightKeys) {
    engine::SynthEngine e = engineWithLegato(true);
    for (int key = 50; key < 59; ++key) engineNoteOn(e, key, 1.0f);
    EXPECT_EQ(held(e), (std::vector<int>{51, 52, 53, 54, 55, 56, 57, 58}));
    engineNoteOff(e, 50); // forgotten, and another that was never held: nothing changes
    engineNoteOff(e, 99);
    EXPECT_EQ(e.notes.count, 8);
    EXPECT_EQ(e.targetNote, 58.0f);
    engineNoteOn(e, 53, 1.0f); // moves to the top
    EXPECT_EQ(held(e), (std::vector<int>{51, 52, 54, 55, 56, 57, 58, 53}));
}

TEST(NoteHandling, ReleaseTimeFollowsTheHeldTime) {
    struct Case {
        double heldSeconds;
        float releaseSeconds;
    };
    for (const Case c :
         {Case{0.0, 0.02f}, Case{0.5, 0.5f * 0.18f + 0.02f}, Case{1.0, 0.2f}, Case{30.0, 0.2f}}) {
        engine::SynthEngine e = engineWithLegato(false);
        engineNoteOn(e, 40, 1.0f);
        e.samplesSinceNoteOn = c.heldSeconds * kRate;
        engineNoteOff(e, 40);
        EXPECT_EQ(e.amp.state, engine::AmpStage::Release);
        EXPECT_EQ(e.amp.coefficient, engine::onePoleCoefficient(c.releaseSeconds, kRate)) << c.heldSeconds;
    }
    // Legato: counted from the first key of the phrase.
    engine::SynthEngine e = engineWithLegato(true);
    engineNoteOn(e, 40, 1.0f);
    render(e, 48000);
    engineNoteOn(e, 43, 1.0f);
    engineNoteOff(e, 40);
    engineNoteOff(e, 43);
    EXPECT_EQ(e.amp.coefficient, engine::onePoleCoefficient(0.2f, kRate));
    // Nothing held: a release from Idle is over at the next sample.
    engine::SynthEngine idle = engineWithLegato(false);
    engineReleaseAll(idle);
    EXPECT_EQ(idle.amp.state, engine::AmpStage::Release);
    render(idle, 1);
    EXPECT_EQ(idle.amp.state, engine::AmpStage::Idle);
}

TEST(NoteHandling, VelocityIsClampedAndNaNPlaysFull) {
    const float inf = std::numeric_limits<float>::infinity();
    const float cases[][2] = {{0.3f, 0.3f}, {1.5f, 1.0f}, {-0.5f, 0.0f},
                              {inf, 1.0f},  {-inf, 0.0f}, {std::numeric_limits<float>::quiet_NaN(), 1.0f}};
    for (const auto& c : cases) {
        engine::SynthEngine e = engineWithLegato(false);
        engineNoteOn(e, 40, c[0]);
        EXPECT_EQ(e.velocityTarget, c[1]) << c[0];
    }
}

TEST(NoteHandling, OscillatorsRestartOnlyFromIdle) {
    for (engine::AmpStage stage : {engine::AmpStage::Idle, engine::AmpStage::Attack, engine::AmpStage::Decay,
                                   engine::AmpStage::Release}) {
        engine::SynthEngine e = engineWithLegato(false);
        e.amp.state = stage;
        e.amp.level = 0.5f;
        e.subPhase = e.oscA.phase = 0.25;
        e.oscB.y1 = e.shaperA.previous = e.decimatorB.odd[3] = 0.75f;
        e.toneA.ic1 = 0.125f; // filters are never reset by notes
        engineNoteOn(e, 40, 1.0f);
        const bool fresh = stage == engine::AmpStage::Idle;
        EXPECT_EQ(e.subPhase == 0.0 && e.oscA.phase == 0.0, fresh);
        EXPECT_EQ(e.oscB.y1 == 0.0f && e.shaperA.previous == 0.0f && e.decimatorB.odd[3] == 0.0f, fresh);
        EXPECT_EQ(e.toneA.ic1, 0.125f);
        EXPECT_EQ(e.amp.level, 0.5f); // the attack starts where the level is
    }
}

TEST(AmpEnvelope, ReleasePlaysItsLastSmallLevelThenRests) {
    engine::AmpEnvelope env;
    env.level = 1.0f;
    startRelease(env, 0.02f);
    float last = 1.0f;
    while (env.state == engine::AmpStage::Release) last = advanceAmpEnvelope(env);
    EXPECT_GT(last, 0.0f);
    EXPECT_LT(last, 0.0005f);
    EXPECT_EQ(env.level, last);
    EXPECT_EQ(advanceAmpEnvelope(env), 0.0f);
}

} // namespace
} // namespace fennrow::test
