#include "plugin/factory_sounds.h"

#include <array>
#include <initializer_list>

namespace fennrow::plugin {

namespace {

struct ParamChange {
    float engine::SoundParams::*member;
    float value;
};

enum class CurveShape { RisingRamp, FallingRamp, Square, Spike };

struct CurveChange {
    int curve;
    CurveShape shape;
};

float shapePoint(CurveShape shape, int i) {
    switch (shape) {
        case CurveShape::RisingRamp: return engine::risingRampPoint(i);
        case CurveShape::FallingRamp: return -engine::risingRampPoint(i);
        case CurveShape::Square: return i < engine::kCurvePoints / 2 ? -1.0f : 1.0f;
        case CurveShape::Spike: return i == engine::kCurvePoints / 2 ? 1.0f : -1.0f;
    }
    return 0.0f;
}

FactorySound makeSound(const char* name, const char* category, std::initializer_list<ParamChange> params,
                       std::initializer_list<CurveChange> curves = {}) {
    FactorySound sound{name, category, engine::defaultSoundSnapshot()};
    for (const ParamChange& change : params) {
        sound.sound.params.*change.member = change.value;
    }
    for (const CurveChange& change : curves) {
        for (int i = 0; i < engine::kCurvePoints; ++i) {
            sound.sound.curves.points[change.curve][i] = shapePoint(change.shape, i);
        }
    }
    return sound;
}

using P = engine::SoundParams;

std::array<FactorySound, kFactorySoundCount> buildFactorySounds() {
    return {{
        makeSound("Init", "Other", {}),
        makeSound("Demo", "Pluck",
                  {{&P::weight, 0.55f},
                   {&P::drive, 0.7f},
                   {&P::punch, 0.35f},
                   {&P::punchTime, 0.05f},
                   {&P::shape, 0.35f},
                   {&P::motion, 0.35f},
                   {&P::motionRate, 4.0f},
                   {&P::glide, 0.06f},
                   {&P::spread, 0.7f},
                   {&P::arcAmount, 0.45f}}),
        makeSound("Deep Sub", "Sub",
                  {{&P::weight, 1.0f}, {&P::drive, 0.38f}, {&P::punch, 0.15f}, {&P::shape, 0.7f}}),
        makeSound("Boom 808", "Sub",
                  {{&P::weight, 0.9f},
                   {&P::drive, 0.7f},
                   {&P::tone, 0.4f},
                   {&P::punch, 0.8f},
                   {&P::punchTime, 0.12f},
                   {&P::shape, 0.55f},
                   {&P::glide, 0.15f}}),
        makeSound("Kick Sub", "Sub",
                  {{&P::weight, 0.95f},
                   {&P::drive, 0.6f},
                   {&P::tone, 0.35f},
                   {&P::punch, 1.0f},
                   {&P::punchTime, 0.02f},
                   {&P::shape, 0.2f},
                   {&P::glide, 0.0f}}),
        makeSound("Pumping Sub", "Sub",
                  {{&P::weight, 0.8f},
                   {&P::drive, 0.45f},
                   {&P::tone, 0.3f},
                   {&P::punch, 0.0f},
                   {&P::shape, 0.6f},
                   {&P::motion, 1.0f},
                   {&P::motionToneDepth, 0.0f},
                   {&P::motionLevelDepth, 0.8f},
                   {&P::glide, 0.04f}}),
        makeSound("Wide Reese", "Reese",
                  {{&P::weight, 0.35f},
                   {&P::drive, 0.7f},
                   {&P::tone, 0.55f},
                   {&P::shape, 0.8f},
                   {&P::motion, 0.25f},
                   {&P::motionRate, 8.0f},
                   {&P::spread, 1.0f},
                   {&P::arcAmount, 0.5f}}),
        makeSound("Breathing Reese", "Reese",
                  {{&P::weight, 0.2f},
                   {&P::drive, 0.8f},
                   {&P::tone, 0.35f},
                   {&P::shape, 0.9f},
                   {&P::motion, 0.5f},
                   {&P::motionRate, 16.0f},
                   {&P::spread, 1.0f}}),
        makeSound("Rising Tension", "Reese",
                  {{&P::weight, 0.15f},
                   {&P::drive, 0.7f},
                   {&P::tone, 1.0f},
                   {&P::shape, 0.85f},
                   {&P::spread, 0.8f},
                   {&P::arcAmount, 1.0f},
                   {&P::arcDrift, 0.2f}},
                  {{engine::kCurveArcTone, CurveShape::RisingRamp},
                   {engine::kCurveArcDrive, CurveShape::RisingRamp}}),
        makeSound("Rubber Pluck", "Pluck",
                  {{&P::weight, 0.55f},
                   {&P::drive, 0.7f},
                   {&P::tone, 0.75f},
                   {&P::punch, 0.6f},
                   {&P::punchTime, 0.04f},
                   {&P::shape, 0.1f},
                   {&P::glide, 0.0f}}),
        makeSound("Glitch Pluck", "Pluck",
                  {{&P::weight, 0.05f},
                   {&P::tone, 0.9f},
                   {&P::punch, 0.9f},
                   {&P::punchTime, 0.01f},
                   {&P::shape, 0.0f},
                   {&P::glide, 0.0f},
                   {&P::legato, 0.0f},
                   {&P::arcAmount, 1.0f},
                   {&P::arcBars, 1.0f}},
                  {{engine::kCurveArcShape, CurveShape::Spike}}),
        makeSound("Hoover Stab", "Pluck",
                  {{&P::weight, 0.15f},
                   {&P::drive, 0.8f},
                   {&P::tone, 1.0f},
                   {&P::punch, 0.5f},
                   {&P::punchTime, 0.03f},
                   {&P::shape, 0.25f},
                   {&P::spread, 1.0f}}),
        makeSound("Squelch", "Acid",
                  {{&P::weight, 0.25f},
                   {&P::drive, 0.75f},
                   {&P::tone, 0.3f},
                   {&P::punch, 0.2f},
                   {&P::shape, 0.3f},
                   {&P::motion, 0.9f},
                   {&P::motionRate, 0.5f},
                   {&P::glide, 0.12f}},
                  {{engine::kCurveMotion, CurveShape::RisingRamp}}),
        makeSound("Acid Screamer", "Acid",
                  {{&P::weight, 0.1f},
                   {&P::drive, 0.95f},
                   {&P::shape, 0.5f},
                   {&P::motion, 1.0f},
                   {&P::motionRate, 0.25f},
                   {&P::glide, 0.25f}},
                  {{engine::kCurveMotion, CurveShape::FallingRamp}}),
        makeSound("Growl", "Growl",
                  {{&P::weight, 0.3f},
                   {&P::drive, 1.0f},
                   {&P::tone, 0.65f},
                   {&P::shape, 0.6f},
                   {&P::motion, 0.6f},
                   {&P::spread, 0.4f},
                   {&P::arcAmount, 0.8f},
                   {&P::arcBars, 4.0f}}),
        makeSound("Neuro", "Growl",
                  {{&P::weight, 0.15f},
                   {&P::drive, 1.0f},
                   {&P::tone, 0.85f},
                   {&P::shape, 0.7f},
                   {&P::motion, 0.8f},
                   {&P::motionRate, 0.25f},
                   {&P::spread, 0.6f}},
                  {{engine::kCurveMotion, CurveShape::Square}}),
        // A third of a beat: the float nearest to 1/3, saved as 0.33333334.
        makeSound("Wobble", "Growl",
                  {{&P::weight, 0.65f},
                   {&P::drive, 0.7f},
                   {&P::tone, 0.4f},
                   {&P::shape, 0.9f},
                   {&P::motion, 1.0f},
                   {&P::motionRate, 1.0f / 3.0f},
                   {&P::glide, 0.08f}}),
        makeSound("Talking Growl", "Growl",
                  {{&P::weight, 0.45f},
                   {&P::drive, 0.95f},
                   {&P::tone, 0.75f},
                   {&P::shape, 0.8f},
                   {&P::motion, 1.0f},
                   {&P::motionRate, 0.5f},
                   {&P::motionToneDepth, 0.35f},
                   {&P::motionDriveDepth, 0.9f},
                   {&P::glide, 0.06f}}),
        makeSound("Organ House", "Other",
                  {{&P::weight, 0.5f},
                   {&P::drive, 0.55f},
                   {&P::tone, 0.6f},
                   {&P::punch, 0.0f},
                   {&P::shape, 1.0f},
                   {&P::glide, 0.0f}}),
        makeSound("Dark Legato", "Other",
                  {{&P::weight, 0.7f},
                   {&P::tone, 0.1f},
                   {&P::punch, 0.0f},
                   {&P::shape, 1.0f},
                   {&P::glide, 0.3f},
                   {&P::spread, 0.5f}}),
    }};
}

} // namespace

std::span<const FactorySound> factorySounds() {
    static const std::array<FactorySound, kFactorySoundCount> sounds = buildFactorySounds();
    return sounds;
}

const FactorySound* findFactorySound(std::string_view name) {
    for (const FactorySound& sound : factorySounds()) {
        if (sound.name == name) {
            return &sound;
        }
    }
    return nullptr;
}

} // namespace fennrow::plugin
