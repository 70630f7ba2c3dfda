// The envelopes that notes drive: the amplitude envelope (attack, decay to a
// sustain set by the shape, release) and the pluck envelope that lets the
// upper layer fade while the sub holds.
#pragma once

#include "engine/flush.h"
#include "engine/one_pole.h"

#include <cmath>
#include <cstdint>

namespace fennrow::engine {

enum class AmpStage : int32_t { Idle = 0, Attack = 1, Decay = 2, Release = 3 };

struct AmpEnvelope {
    AmpStage state = AmpStage::Idle;
    float level = 0.0f;
    float coefficient = 1.0f;
    float shape = 0.4f; // effective shape, 0..1, written every control tick
    float sampleRate = 48000.0f;
};

inline constexpr float kAttackDoneLevel = 0.99f;
inline constexpr float kReleaseSilentLevel = 0.0005f;

// Effective shape 0 attacks in 1 ms, 1 in 0.401 s.
inline float attackSeconds(float shape) { return shape * shape * 0.4f + 0.001f; }
inline float decaySeconds(float shape) { return shape * 0.6f + 0.15f; }

inline void startAttack(AmpEnvelope& env) {
    env.state = AmpStage::Attack;
    env.coefficient = onePoleCoefficient(attackSeconds(env.shape), env.sampleRate);
}

inline void startRelease(AmpEnvelope& env, float seconds) {
    env.state = AmpStage::Release;
    env.coefficient = onePoleCoefficient(seconds, env.sampleRate);
}

inline float advanceAmpEnvelope(AmpEnvelope& env) {
    switch (env.state) {
        case AmpStage::Idle: return 0.0f;
        case AmpStage::Attack:
            env.level = (1.0f - env.level) * env.coefficient + env.level;
            if (std::fabs(env.level) < kFlushThreshold) {
                env.level = 0.0f;
            } else if (env.level > kAttackDoneLevel) {
                env.state = AmpStage::Decay;
                env.coefficient = onePoleCoefficient(decaySeconds(env.shape), env.sampleRate);
            }
            return env.level;
        case AmpStage::Decay: {
            // fminf(1, 2 shape), NaN giving 1, written out: the library call
            // would cost the per-sample loop its registers.
            const float twice = 2.0f * env.shape;
            const float sustain = twice < 1.0f ? twice : 1.0f;
            env.level = flushTiny((sustain - env.level) * env.coefficient + env.level);
            return env.level;
        }
        case AmpStage::Release:
            env.level = (0.0f - env.level) * env.coefficient + env.level;
            if (std::fabs(env.level) < kFlushThreshold) {
                env.level = 0.0f;
                env.state = AmpStage::Idle;
                return 0.0f;
            }
            // The last small level is still played once; it stays stored.
            if (env.level < kReleaseSilentLevel) env.state = AmpStage::Idle;
            return env.level;
    }
    return 0.0f;
}

struct PluckEnvelope {
    float level = 1.0f;
    float decayMultiplier = 1.0f;
    float attackCoefficient = 1.0f;
    bool attacking = false;
};

inline constexpr float kPluckAttackDoneLevel = 0.999f;
inline constexpr float kPluckSilentLevel = 1e-6f;

inline float advancePluckEnvelope(PluckEnvelope& env) {
    if (env.attacking) {
        env.level = (1.0f - env.level) * env.attackCoefficient + env.level;
        if (env.level > kPluckAttackDoneLevel) env.attacking = false;
        return env.level;
    }
    env.level = env.level * env.decayMultiplier;
    if (env.level < kPluckSilentLevel) env.level = 0.0f;
    return env.level;
}

} // namespace fennrow::engine
