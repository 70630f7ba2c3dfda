// The mono bass voice: a clean sine sub under two detuned, self-modulated,
// driven and filtered oscillators, with its note stack, envelopes and the
// tempo-locked modulation. Plain data; the operations below run on the audio
// thread (enginePrepare during activation) and never allocate or lock.
// tests/engine/reference_render.cpp is the same voice written sample by
// sample for reading; the engine tests hold this one to its bits.
#pragma once

#include "engine/dc_blocker.h"
#include "engine/envelopes.h"
#include "engine/feedback_sine.h"
#include "engine/halfband_decimator.h"
#include "engine/linear_ramp.h"
#include "engine/modulation.h"
#include "engine/note_stack.h"
#include "engine/one_pole.h"
#include "engine/sound.h"
#include "engine/svf.h"
#include "engine/tanh_shaper.h"

#include <cstdint>

namespace fennrow::engine {

inline constexpr int32_t kControlPeriod = 64; // samples between control ticks
inline constexpr float kDefaultSampleRate = 48000.0f;

// A default-constructed engine holds every engine default.
struct SynthEngine {
    double subPhase = 0.0;
    FeedbackSine oscA;
    TanhShaperState shaperA;
    HalfbandDecimator decimatorA;
    FeedbackSine oscB;
    TanhShaperState shaperB;
    HalfbandDecimator decimatorB;
    TanhShaperParams shaper;
    float spread = 0.0f;
    float stereoNorm = 1.0f;
    Svf toneA;
    Svf toneB;
    Svf highPassA;
    Svf highPassB;
    AmpEnvelope amp;
    OnePole pitch;
    OnePole punch;
    OnePole velocity;
    ArcSmoothing arcs;
    LinearRamp weightRamp;
    LinearRamp pluckRamp;
    LinearRamp levelRamp;
    PluckEnvelope pluck;
    DcBlocker dcLeft;
    DcBlocker dcRight;
    NoteStack notes;
    float sampleRate = kDefaultSampleRate;
    double secondsPerStep = 1.0 / 96000.0; // at the doubled rate
    float targetNote = 36.0f;
    float velocityTarget = 1.0f;
    bool legato = true;
    double samplesSinceNoteOn = 0.0;
    float punchDepth = 0.0f;
    float feedback = 0.0f;
    float detune = 0.0f;
    float resonanceCompensation = 1.0f;
    int32_t tickCountdown = 0;

    // Not part of the voice's sound, only of its speed: the shared decimator
    // taps (looked up at construction, off the audio thread, so rendering
    // never meets the one-time initialisation) and the last
    // pitch-to-frequency conversion, reused while the pitch holds still.
    const HalfbandTaps* taps = &halfbandTaps();
    float lastPitchExponent = 0.0f;
    float lastFrequency = 0.0f;
    // The forms every block routine of the engine runs (oscillators,
    // shapers, decimators, the sine, exp2 and softplus blocks): the
    // processor's best (set by enginePrepare), or any available one, which
    // gives the same bits.
    maths::SimdPath simdPath = maths::SimdPath::Scalar;
    bool hasLastFrequency = false;
    // The smoothers' coefficients for the times last asked for.
    OnePoleCoefficientCache glideCoefficient;
    OnePoleCoefficientCache punchCoefficient;
    OnePoleCoefficientCache velocityCoefficient;
    // The drive the shaper was last configured with; while it holds, the
    // shapers' remembered antiderivatives stay valid.
    float shaperDrive = 0.0f;
    bool hasShaperDrive = false;
};

void enginePrepare(SynthEngine& engine, float sampleRate);
void engineReset(SynthEngine& engine);
void engineRender(SynthEngine& engine, const SoundParams& params, const CurveSet& curves,
                  const BlockTiming& timing, float* left, float* right, uint32_t frames);

void engineNoteOn(SynthEngine& engine, int key, float velocity);
void engineNoteOff(SynthEngine& engine, int key);
void engineReleaseAll(SynthEngine& engine);

} // namespace fennrow::engine
