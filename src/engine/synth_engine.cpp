// Preparation, reset and rendering of the voice. Rendering runs in chunks
// that end at the next control tick: within a chunk every control value is
// fixed, so each stage can run over the whole chunk before the next one
// starts. The per-sample arithmetic is exactly that of a sample-by-sample
// loop; only the order in which independent stages are visited changes.
#include "engine/synth_engine.h"

#include "engine/control_tick.h"
#include "engine/feedback_oscillators.h"
#include "engine/output_stage.h"
#include "engine/same_bits.h"

#include "maths/exp2_block.h"
#include "maths/float_functions.h"
#include "maths/sin_block.h"
#include "maths/softplus_batch.h"

#include <cmath>

namespace fennrow::engine {

namespace {

constexpr float kHighPassArg = 376.99112f;     // pi * 120 Hz
constexpr float kHighPassDamping = 1.4144272f; // 1 / 0.707
constexpr float kLevelRampRate = 64000.0f;
constexpr float kPluckDecaySeconds = 0.12f;
constexpr float kPluckAttackSeconds = 0.001f;
constexpr float kPunchSemitones = 18.0f;
constexpr float kA4Note = 69.0f;
constexpr float kA4Hz = 440.0f;
constexpr int32_t kLongestRamp = 1 << 30;

int32_t rampSamples(double samples) {
    const double whole = std::trunc(samples);
    if (!(whole >= 1.0)) return 1;
    return whole < kLongestRamp ? static_cast<int32_t>(whole) : kLongestRamp;
}

float usableSampleRate(float sampleRate) {
    return sampleRate > 0.0f && std::isfinite(sampleRate) ? sampleRate : kDefaultSampleRate;
}

struct Chunk {
    float frequency[kControlPeriod];
    float rawA[2 * kControlPeriod];
    float rawB[2 * kControlPeriod];
    float shapedA[2 * kControlPeriod];
    float shapedB[2 * kControlPeriod];
    ShaperTerms termsA;
    ShaperTerms termsB;
    float sub[kControlPeriod];
    float a[kControlPeriod];
    float b[kControlPeriod];
    HalfbandBlock blockA;
    HalfbandBlock blockB;
};

float pitchExponent(const SynthEngine& e, float punch, float note) {
    return (punch * e.punchDepth * kPunchSemitones + note - kA4Note) / 12.0f;
}

// Punch and glide over the chunk, and the pitch exponent of each sample.
// The smoothers' flush to zero would sit on the chain from each step to the
// next; they run without it first, and again with it, from where the chunk
// began, only if a value lands where the flush would change it.
void pitchExponents(SynthEngine& e, float* exponent, uint32_t n) {
    // Locals: the stores of the exponents cannot alias them.
    OnePole punch = e.punch;
    OnePole pitch = e.pitch;
    const float target = e.targetNote;
    bool unflushedHolds = true;
    for (uint32_t j = 0; j < n; ++j) {
        const float p = stepOnePoleUnflushed(punch, 0.0f);
        const float note = stepOnePoleUnflushed(pitch, target);
        // Both tested on every step, without a branch between them.
        unflushedHolds &= flushLeaves(p);
        unflushedHolds &= flushLeaves(note);
        exponent[j] = pitchExponent(e, p, note);
    }
    if (!unflushedHolds) {
        punch = e.punch;
        pitch = e.pitch;
        for (uint32_t j = 0; j < n; ++j) {
            const float p = stepOnePole(punch, 0.0f);
            const float note = stepOnePole(pitch, target);
            exponent[j] = pitchExponent(e, p, note);
        }
    }
    e.punch = punch;
    e.pitch = pitch;
}

// Punch and glide, then the frequency of each sample of the chunk. The
// smoothers' steps wait for each other but are cheap; the exponents they give
// then go through exp2f in vector lanes. Once both smoothers have settled and
// the frequency for their values is known, the chunk holds that frequency
// throughout; so does a chunk whose exponents all equal the last one (a punch
// far below what the pitch can show, still decaying toward zero).
void pitchStage(SynthEngine& e, Chunk& c, uint32_t n) {
    if (e.hasLastFrequency && onePoleHolds(e.punch, 0.0f) && onePoleHolds(e.pitch, e.targetNote) &&
        pitchExponent(e, e.punch.value, e.pitch.value) == e.lastPitchExponent) {
        for (uint32_t j = 0; j < n; ++j) c.frequency[j] = e.lastFrequency;
        return;
    }
    if (n == 0) return;
    float exponent[kControlPeriod];
    pitchExponents(e, exponent, n);
    bool moved = !e.hasLastFrequency;
    for (uint32_t j = 0; j < n; ++j) moved = moved | !(exponent[j] == e.lastPitchExponent);
    if (!moved) {
        for (uint32_t j = 0; j < n; ++j) c.frequency[j] = e.lastFrequency;
        return;
    }
    e.lastPitchExponent = exponent[n - 1];
    maths::exp2fBlock(e.simdPath, exponent, c.frequency, static_cast<int>(n));
    for (uint32_t j = 0; j < n; ++j) c.frequency[j] *= kA4Hz;
    e.lastFrequency = c.frequency[n - 1];
    e.hasLastFrequency = true;
}

// Without feedback the phase modulation term is (y1 + y2) * 0, a zero, and
// adding it leaves the sine's argument as it is: the sines no longer wait
// for each other and are taken in a pass of their own. The outputs are the
// same bits as step by step.
void freeRunningOscillators(SynthEngine& e, Chunk& c, uint32_t n) {
    for (uint32_t j = 0; j < n; ++j) {
        const float f = c.frequency[j];
        const double stepA = static_cast<double>(f - e.detune) * e.secondsPerStep;
        const double stepB = static_cast<double>(f + e.detune) * e.secondsPerStep;
        for (uint32_t half = 0; half < 2; ++half) {
            e.oscA.phase += stepA;
            if (e.oscA.phase >= 1.0) e.oscA.phase -= 1.0;
            e.oscB.phase += stepB;
            if (e.oscB.phase >= 1.0) e.oscB.phase -= 1.0;
            c.rawA[2 * j + half] = static_cast<float>(e.oscA.phase) * 2.0f * kPi32;
            c.rawB[2 * j + half] = static_cast<float>(e.oscB.phase) * 2.0f * kPi32;
        }
    }
    const uint32_t steps = 2 * n;
    maths::sinfBlock(e.simdPath, c.rawA, c.rawA, static_cast<int>(steps));
    maths::sinfBlock(e.simdPath, c.rawB, c.rawB, static_cast<int>(steps));
    e.oscA.y2 = c.rawA[steps - 2]; // a chunk has at least two steps
    e.oscA.y1 = c.rawA[steps - 1];
    e.oscB.y2 = c.rawB[steps - 2];
    e.oscB.y1 = c.rawB[steps - 1];
}

// Both detuned oscillators at the doubled rate, through their shapers, and
// the sub's sines. With feedback each oscillator sine waits for the one
// before, so the two oscillators' sines are taken as a pair, and the shaper
// terms of the sample before, which do not wait for them, are taken in
// between and fill that wait. Without feedback the shaper terms run as a
// block pass of their own.
void oscillatorStage(SynthEngine& e, Chunk& c, uint32_t n) {
    const float feedback = e.feedback;
    const TanhShaperParams& shaper = e.shaper;
    maths::sinfBlock(e.simdPath, c.sub, c.sub, static_cast<int>(n));
    if (feedback == 0.0f) {
        freeRunningOscillators(e, c, n);
        shaperTermsBlock(e.simdPath, shaper, c.rawA, c.termsA, static_cast<int>(2 * n));
        shaperTermsBlock(e.simdPath, shaper, c.rawB, c.termsB, static_cast<int>(2 * n));
    } else {
        const FeedbackChunk chunk{c.frequency, e.detune, e.secondsPerStep, feedback, n};
        runFeedbackOscillators(e.simdPath, chunk, e.oscA, e.oscB, shaper, c.rawA, c.rawB, c.termsA, c.termsB);
    }
    const int steps = static_cast<int>(2 * n);
    finishShaperBlock(e.simdPath, shaper, e.shaperA, c.rawA, c.termsA, c.shapedA, steps);
    finishShaperBlock(e.simdPath, shaper, e.shaperB, c.rawB, c.termsB, c.shapedB, steps);
    float* evenA = c.blockA.even + kHalfbandHistory;
    float* oddA = c.blockA.odd + kHalfbandHistory;
    float* evenB = c.blockB.even + kHalfbandHistory;
    float* oddB = c.blockB.odd + kHalfbandHistory;
    for (uint32_t j = 0; j < n; ++j) {
        evenA[j] = c.shapedA[2 * j];
        oddA[j] = c.shapedA[2 * j + 1];
        evenB[j] = c.shapedB[2 * j];
        oddB[j] = c.shapedB[2 * j + 1];
    }
}

// The sub's phase runs on by the frequency of each sample; c.sub holds the
// sine's argument until the oscillator stage takes the sines.
void subPhaseStage(SynthEngine& e, Chunk& c, uint32_t n) {
    const float sampleRate = e.sampleRate;
    double phase = e.subPhase;
    // The step is divided out again only when the frequency changes.
    float frequency = c.frequency[0];
    double step = static_cast<double>(frequency / sampleRate);
    for (uint32_t j = 0; j < n; ++j) {
        if (!sameBits(c.frequency[j], frequency)) {
            frequency = c.frequency[j];
            step = static_cast<double>(frequency / sampleRate);
        }
        phase += step;
        if (phase >= 1.0) phase -= 1.0;
        c.sub[j] = static_cast<float>(phase) * 2.0f * kPi32;
    }
    e.subPhase = phase;
}

void renderChunk(SynthEngine& e, float* left, float* right, uint32_t n) {
    Chunk c;
    pitchStage(e, c, n);
    subPhaseStage(e, c, n);
    beginHalfbandBlock(e.decimatorA, c.blockA);
    beginHalfbandBlock(e.decimatorB, c.blockB);
    oscillatorStage(e, c, n);
    finishHalfbandPair(e.simdPath, e.decimatorA, c.blockA, e.decimatorB, c.blockB, *e.taps,
                       static_cast<int>(n), c.a, c.b);
    outputStage(e, c.a, c.b, c.sub, left, right, n);
}

} // namespace

void enginePrepare(SynthEngine& e, float sampleRate) {
    const float sr = usableSampleRate(sampleRate);
    e.sampleRate = sr;
    e.amp.sampleRate = sr;
    e.secondsPerStep = 1.0 / (static_cast<double>(sr) + static_cast<double>(sr));
    e.simdPath = maths::bestSimdPath();
    prepareDcBlocker(e.dcLeft, sr);
    prepareDcBlocker(e.dcRight, sr);
    const float highPassG = maths::tanf(kHighPassArg / sr);
    designSvf(e.highPassA, highPassG, kHighPassDamping);
    designSvf(e.highPassB, highPassG, kHighPassDamping);
    const int32_t paramRamp = rampSamples(static_cast<double>(sr) * 5.0 * 0.001); // 5 ms
    e.weightRamp.length = paramRamp;
    e.pluckRamp.length = paramRamp;
    // One control period, as the formula gives it (63 at some odd rates).
    e.levelRamp.length =
        rampSamples(static_cast<double>(kLevelRampRate / sr) * static_cast<double>(sr) * 0.001);
    e.pluck.decayMultiplier = maths::expf(-1.0f / (sr * kPluckDecaySeconds));
    e.pluck.attackCoefficient = 1.0f - maths::expf(-1.0f / (sr * kPluckAttackSeconds));
}

void engineReset(SynthEngine& e) {
    const float sr = e.sampleRate;
    e = SynthEngine{};
    enginePrepare(e, sr);
}

void engineRender(SynthEngine& e, const SoundParams& params, const CurveSet& curves,
                  const BlockTiming& timing, float* left, float* right, uint32_t frames) {
    const SampleClock clock = sampleClock(e.sampleRate, timing);
    uint32_t done = 0;
    while (done < frames) {
        if (e.tickCountdown <= 0) {
            controlTick(e, params, curves, tickTiming(clock, timing, done));
            e.tickCountdown = kControlPeriod;
        }
        const uint32_t remaining = frames - done;
        const uint32_t n = remaining < static_cast<uint32_t>(e.tickCountdown)
                               ? remaining
                               : static_cast<uint32_t>(e.tickCountdown);
        renderChunk(e, left + done, right + done, n);
        e.tickCountdown -= static_cast<int32_t>(n);
        done += n;
    }
}

} // namespace fennrow::engine
