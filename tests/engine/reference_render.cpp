#include "reference_render.h"

#include "engine/control_tick.h"
#include "maths/float_functions.h"

#include <cmath>

namespace fennrow::test {

namespace {

float plainShaper(const engine::TanhShaperParams& p, float& previous, float x) {
    const float prev = previous;
    previous = x;
    const double diff = static_cast<double>(x) - static_cast<double>(prev);
    if (std::fabs(diff) < 1e-6) {
        const float mid = static_cast<float>((static_cast<double>(x) + static_cast<double>(prev)) * 0.5);
        return (maths::tanhf((mid + p.b) * p.g) - p.d) * p.n;
    }
    return static_cast<float>((shaperAntiderivative(p, x) - shaperAntiderivative(p, prev)) / diff);
}

float channel(engine::SynthEngine& e, engine::FeedbackSine& osc, engine::TanhShaperState& shaper,
              engine::HalfbandDecimator& dec, double step) {
    const float first = plainShaper(e.shaper, shaper.previous, stepFeedbackSine(osc, step, e.feedback));
    const float second = plainShaper(e.shaper, shaper.previous, stepFeedbackSine(osc, step, e.feedback));
    return processHalfband(dec, engine::halfbandTaps(), first, second);
}

} // namespace

void referenceRender(engine::SynthEngine& e, const engine::SoundParams& params,
                     const engine::CurveSet& curves, const engine::BlockTiming& timing, float* left,
                     float* right, uint32_t frames) {
    const engine::SampleClock clock = sampleClock(e.sampleRate, timing);
    for (uint32_t i = 0; i < frames; ++i) {
        if (e.tickCountdown == 0) {
            controlTick(e, params, curves, tickTiming(clock, timing, i));
            e.tickCountdown = 64;
        }
        --e.tickCountdown;
        const float p = stepOnePole(e.punch, 0.0f);
        const float n = stepOnePole(e.pitch, e.targetNote);
        const float f = maths::exp2f((p * e.punchDepth * 18.0f + n - 69.0f) / 12.0f) * 440.0f;
        const float a =
            channel(e, e.oscA, e.shaperA, e.decimatorA, static_cast<double>(f - e.detune) * e.secondsPerStep);
        const float b =
            channel(e, e.oscB, e.shaperB, e.decimatorB, static_cast<double>(f + e.detune) * e.secondsPerStep);
        const float w = advanceRamp(e.weightRamp);
        const float k = advanceRamp(e.pluckRamp);
        const float pe = advancePluckEnvelope(e.pluck);
        const float g = (pe * k + (1.0f - k)) * ((1.0f - w) * 0.75f * e.resonanceCompensation);
        const float ua = svfHighPass(e.highPassA, svfLowPass(e.toneA, a)) * g;
        const float ub = svfHighPass(e.highPassB, svfLowPass(e.toneB, b)) * g;
        const float mid = (ua + ub) * 0.5f;
        const float side = (ua - ub) * 0.5f * e.spread;
        const float l = (mid + side) * e.stereoNorm;
        const float r = (mid - side) * e.stereoNorm;
        e.subPhase += static_cast<double>(f / e.sampleRate);
        if (e.subPhase >= 1.0) e.subPhase -= 1.0;
        const float s = maths::sinf(static_cast<float>(e.subPhase) * 2.0f * 3.1415927f);
        const float v = stepOnePole(e.velocity, e.velocityTarget);
        const float vg = v * 0.6f + 0.4f;
        const float amp = advanceAmpEnvelope(e.amp);
        const float m = advanceRamp(e.levelRamp);
        const float gain = amp * vg * m;
        left[i] = processDcBlocker(e.dcLeft, (l + s * w) * gain);
        right[i] = processDcBlocker(e.dcRight, (r + s * w) * gain);
        e.samplesSinceNoteOn += 1.0;
    }
}

} // namespace fennrow::test
