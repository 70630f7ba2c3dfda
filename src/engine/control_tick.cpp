#include "engine/control_tick.h"

#include "maths/float_functions.h"

#include <cmath>

namespace fennrow::engine {

namespace {

constexpr float kVelocitySmoothingSeconds = 0.005f;
constexpr float kLegatoThreshold = 0.5f;
constexpr float kShapeBaseNote = 36.0f;
constexpr float kShapePerOctave = 0.05f;
constexpr float kFeedbackOnset = 0.7f; // drive above this turns into self-modulation
constexpr float kFeedbackSpan = 0.3f;
constexpr float kFeedbackMax = 0.75f;
constexpr float kShaperBackOff = 0.094f;
constexpr float kToneVelocityReach = 0.25f;
constexpr float kToneLowestHz = 80.0f;
constexpr float kToneOctaves = 6.0f;
constexpr float kToneCeiling = 0.45f; // of the sample rate
constexpr float kToneBaseDamping = 0.707f;
constexpr float kToneDepthResonance = 3.0f;
constexpr float kDetunePerSpread = 1.2f; // Hz between A and B at spread 1
constexpr float kResonanceGainLoss = 0.56f;
// A song position beyond this many samples has no sample index we can use.
constexpr double kLargestSampleIndex = 4611686018427387904.0; // 2^62

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void configureDrive(SynthEngine& e, float x) {
    float shaperDrive = x;
    e.feedback = 0.0f;
    if (!(x <= kFeedbackOnset)) {
        const float q = (x - kFeedbackOnset) / kFeedbackSpan;
        e.feedback = q * q * kFeedbackMax;
        shaperDrive = (1.0f - q * kShaperBackOff) * kFeedbackOnset;
    }
    if (e.hasShaperDrive && shaperDrive == e.shaperDrive) return;
    configureShapers(e.shaper, shaperDrive, e.shaperA, e.shaperB);
    e.shaperDrive = shaperDrive;
    e.hasShaperDrive = true;
}

} // namespace

void controlTick(SynthEngine& e, const SoundParams& p, const CurveSet& curves, const BlockTiming& timing) {
    const float sr = e.sampleRate;
    e.pitch.coefficient = cachedOnePoleCoefficient(e.glideCoefficient, p.glide, sr);
    e.punch.coefficient = cachedOnePoleCoefficient(e.punchCoefficient, p.punchTime, sr);
    e.velocity.coefficient = cachedOnePoleCoefficient(e.velocityCoefficient, kVelocitySmoothingSeconds, sr);
    e.legato = p.legato >= kLegatoThreshold;

    const ModulatedValues m = evaluateModulation(p, curves, timing, sr, e.arcs);

    // Higher notes get a shorter envelope with a lower sustain.
    e.amp.shape = clamp01(m.shape - (e.pitch.value - kShapeBaseNote) / 12.0f * kShapePerOctave);
    if (e.amp.state == AmpStage::Attack)
        e.amp.coefficient = onePoleCoefficient(attackSeconds(e.amp.shape), e.amp.sampleRate);

    const float v = e.velocity.value;
    e.punchDepth = (v * 0.7f + 0.3f) * p.punch;
    configureDrive(e, (v * 0.5f + 0.5f) * m.drive);

    const float t = clamp01(m.tone - (1.0f - v) * kToneVelocityReach);
    const float cutoff = fminf(kToneCeiling * sr, kToneLowestHz * maths::exp2f(kToneOctaves * t));
    const float g = maths::tanf(cutoff * kPi32 / sr);
    const float k = 1.0f / (kToneDepthResonance * m.toneDepth + kToneBaseDamping);
    designSvf(e.toneA, g, k);
    designSvf(e.toneB, g, k);

    e.spread = m.spread;
    e.stereoNorm = 1.0f / sqrtf(1.0f + m.spread * m.spread);
    e.detune = m.spread * kDetunePerSpread * 0.5f;

    setRamp(e.weightRamp, p.weight);
    setRamp(e.pluckRamp, p.pluck);
    setRamp(e.levelRamp, m.level);

    e.resonanceCompensation = 1.0f - m.toneDepth * kResonanceGainLoss;
}

// An infinite or NaN tempo, a NaN or infinite song position and a position
// too far out for a 64-bit sample index all leave the slice unclocked: its
// ticks see the slice's start position, as with a tempo of 0.
SampleClock sampleClock(float sampleRate, const BlockTiming& timing) {
    SampleClock clock;
    if (!timing.playing || !(timing.tempo > 0.0f) || !std::isfinite(timing.tempo)) return clock;
    const double samplesPerBeat = static_cast<double>(sampleRate) * 60.0 / static_cast<double>(timing.tempo);
    const double position = samplesPerBeat * timing.beatPosition;
    if (!(std::fabs(position) < kLargestSampleIndex)) return clock;
    clock.clocked = true;
    clock.samplesPerBeat = samplesPerBeat;
    clock.base = std::llround(position);
    return clock;
}

BlockTiming tickTiming(const SampleClock& clock, const BlockTiming& timing, uint32_t frame) {
    BlockTiming t = timing;
    if (clock.clocked)
        t.beatPosition = static_cast<double>(clock.base + static_cast<int64_t>(frame)) / clock.samplesPerBeat;
    return t;
}

} // namespace fennrow::engine
