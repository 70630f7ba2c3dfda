// The output stage of the voice, after the decimators: the layers' tone
// and high-pass filters, their gains, stereo spread, the sub, the amplitude
// envelope and level, and the DC blockers.
#include "engine/output_stage.h"

#include "engine/same_bits.h"
#include "engine/svf_pair.h"

namespace fennrow::engine {

namespace {

constexpr float kUpperLayerGain = 0.75f;

// What the output stage steps every sample, held in locals for the loop:
// stores to the output cannot alias them, so each stays in a register.
struct OutputState {
    LinearRamp weightRamp;
    LinearRamp pluckRamp;
    PluckEnvelope pluck;
    OnePole velocity;
    AmpEnvelope amp;
    LinearRamp levelRamp;
    DcBlocker dcLeft;
    DcBlocker dcRight;
    double samplesSinceNoteOn;
};

OutputState loadOutputState(const SynthEngine& e) {
    return {e.weightRamp, e.pluckRamp, e.pluck,   e.velocity,          e.amp,
            e.levelRamp,  e.dcLeft,    e.dcRight, e.samplesSinceNoteOn};
}

void storeOutputState(SynthEngine& e, const OutputState& s) {
    e.weightRamp = s.weightRamp;
    e.pluckRamp = s.pluckRamp;
    e.pluck = s.pluck;
    e.velocity = s.velocity;
    e.amp = s.amp;
    e.levelRamp = s.levelRamp;
    e.dcLeft = s.dcLeft;
    e.dcRight = s.dcRight;
    e.samplesSinceNoteOn = s.samplesSinceNoteOn;
}

// The layer weight, the layers' gain and the velocity's gain for one sample.
struct SampleGains {
    float weight;
    float layer;
    float velocity;
};

FENNROW_ALWAYS_INLINE SampleGains stepSampleGains(OutputState& s, float velocityTarget,
                                                  float resonanceCompensation) {
    const float w = advanceRamp(s.weightRamp);
    const float k = advanceRamp(s.pluckRamp);
    const float pluck = advancePluckEnvelope(s.pluck);
    const float g = (pluck * k + (1.0f - k)) * ((1.0f - w) * kUpperLayerGain * resonanceCompensation);
    const float velocityGain = stepOnePole(s.velocity, velocityTarget) * 0.6f + 0.4f;
    return {w, g, velocityGain};
}

// Whether a step leaves what SampleGains comes from as it is: then so does
// every later step of the chunk, and the gains hold throughout.
bool sampleGainsHold(const OutputState& s, float velocityTarget) {
    PluckEnvelope pluck = s.pluck;
    advancePluckEnvelope(pluck);
    return s.weightRamp.remaining <= 0 && s.pluckRamp.remaining <= 0 &&
           onePoleHolds(s.velocity, velocityTarget) && pluck.attacking == s.pluck.attacking &&
           sameBits(pluck.level, s.pluck.level);
}

// The layers' filters, stereo spread, sub, envelopes and the output stage.
// The filters and the output's smoothers are each a chain from sample to
// sample; in one loop they wait side by side rather than one after another.
// `gains` gives each sample's SampleGains.
// The chunk's layers, before their filters, and sub.
struct OutputInputs {
    const float* a;
    const float* b;
    const float* sub;
};

template <class Gains>
void outputLoop(SynthEngine& e, OutputState& s, const OutputInputs& c, float* left, float* right, uint32_t n,
                Gains gains) {
    const float spread = e.spread;
    const float stereoNorm = e.stereoNorm;
    // Sample j of the layers, a and b after their filters, to the output.
    const auto emit = [&](uint32_t j, float a, float b) __attribute__((always_inline)) {
        const SampleGains q = gains(s);
        const float ua = a * q.layer;
        const float ub = b * q.layer;
        const float mid = (ua + ub) * 0.5f;
        const float side = (ua - ub) * 0.5f * spread;
        const float l = (mid + side) * stereoNorm;
        const float r = (mid - side) * stereoNorm;
        const float sub = c.sub[j];
        const float gain = advanceAmpEnvelope(s.amp) * q.velocity * advanceRamp(s.levelRamp);
        left[j] = processDcBlocker(s.dcLeft, (l + sub * q.weight) * gain);
        right[j] = processDcBlocker(s.dcRight, (r + sub * q.weight) * gain);
        s.samplesSinceNoteOn += 1.0;
    };
    // The filters give each sample out as the next goes in.
    ToneFilterPair filters(e.toneA, e.toneB, e.highPassA, e.highPassB);
    filters.begin(c.a[0], c.b[0]);
    float a, b;
    for (uint32_t j = 1; j < n; ++j) {
        filters.step(c.a[j], c.b[j], a, b);
        emit(j - 1, a, b);
    }
    filters.end(a, b);
    emit(n - 1, a, b);
    filters.store();
}

} // namespace

void outputStage(SynthEngine& e, const float* a, const float* b, const float* sub, float* left, float* right,
                 uint32_t n) {
    OutputState s = loadOutputState(e);
    const float velocityTarget = e.velocityTarget;
    const float resonanceCompensation = e.resonanceCompensation;
    if (sampleGainsHold(s, velocityTarget)) {
        // One step leaves them where they were; its gains serve every sample.
        const SampleGains held = stepSampleGains(s, velocityTarget, resonanceCompensation);
        outputLoop(e, s, {a, b, sub}, left, right, n, [held](OutputState&) { return held; });
    } else {
        outputLoop(e, s, {a, b, sub}, left, right, n,
                   [velocityTarget, resonanceCompensation](OutputState& state) {
                       return stepSampleGains(state, velocityTarget, resonanceCompensation);
                   });
    }
    storeOutputState(e, s);
}

} // namespace fennrow::engine
