// Note-on, note-off and release-all for the mono voice: last-note priority,
// legato and glide, and the envelope transitions notes cause.
#include "engine/synth_engine.h"

#include <cmath>

namespace fennrow::engine {

namespace {

constexpr int kLowestKey = 0;
constexpr int kHighestKey = 127;
constexpr float kDefaultVelocity = 1.0f;
constexpr float kShortestRelease = 0.02f;
constexpr float kReleaseRange = 0.18f; // added for a note held one second or longer

// Velocity clamped to 0..1. A NaN velocity plays as a full one, the same as a
// note that carried no velocity.
float clampVelocity(float v) {
    if (v >= 0.0f) return v <= 1.0f ? v : 1.0f;
    return v < 0.0f ? 0.0f : kDefaultVelocity;
}

bool validKey(int key) { return key >= kLowestKey && key <= kHighestKey; }

// A fresh note from silence starts its oscillators from a known phase.
void resetOscillators(SynthEngine& e) {
    e.subPhase = 0.0;
    resetFeedbackSine(e.oscA);
    resetFeedbackSine(e.oscB);
    resetShaperState(e.shaperA);
    resetShaperState(e.shaperB);
    resetHalfband(e.decimatorA);
    resetHalfband(e.decimatorB);
}

// Short notes release quickly, notes held a second or more take 0.2 s.
void release(SynthEngine& e) {
    const float held = static_cast<float>(e.samplesSinceNoteOn / static_cast<double>(e.sampleRate));
    startRelease(e.amp, fminf(held, 1.0f) * kReleaseRange + kShortestRelease);
}

} // namespace

void engineNoteOn(SynthEngine& e, int key, float velocity) {
    if (!validKey(key)) return;
    const bool retrigger = !(e.legato && e.notes.count > 0);
    pushKey(e.notes, key);
    e.targetNote = static_cast<float>(key);
    e.velocityTarget = clampVelocity(velocity);
    if (retrigger) {
        e.pitch.value = static_cast<float>(key);
        e.punch.value = 1.0f;
        e.samplesSinceNoteOn = 0.0;
        if (e.amp.state == AmpStage::Idle) resetOscillators(e);
        startAttack(e.amp); // from the current level, not from zero
    }
    // Legato: the pitch glides to the new target; envelope and punch go on.
    e.pluck.attacking = true;
}

void engineNoteOff(SynthEngine& e, int key) {
    if (!validKey(key)) return;
    removeKey(e.notes, key);
    if (e.notes.count > 0) {
        e.targetNote = static_cast<float>(newestKey(e.notes));
        return;
    }
    release(e);
}

void engineReleaseAll(SynthEngine& e) {
    e.notes.count = 0;
    release(e);
}

} // namespace fennrow::engine
