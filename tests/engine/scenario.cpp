#include "scenario.h"

#include <limits>
#include <random>

namespace fennrow::testing {

namespace {

struct Range {
    float lo, hi;
    bool stepped;
};

// Ranges by slot.
constexpr Range kRanges[kSoundParamCount] = {
    {0, 1, false},     {0, 1, false}, {0, 1, false},  {0, 1, false}, {0.01f, 0.3f, false},
    {0, 1, false},     {0, 1, false}, {0.25f, 16, false}, {0, 1, false}, {0, 1, false},
    {0, 1, false},     {0, 0.4f, false}, {0, 1, true}, {0, 1, false}, {0, 1, false},
    {0, 1, false},     {1, 16, true}, {0, 1, false},  {0, 1, false}, {0, 1, false},
    {0, 1, false},     {0, 1, false}, {0, 1, false},
};

float randomValue(std::mt19937& rng, int slot) {
    const Range r = kRanges[slot];
    std::uniform_real_distribution<float> dist(r.lo, r.hi);
    float v = dist(rng);
    if (rng() % 6 == 0) v = rng() % 2 ? r.lo : r.hi; // the ends are where faults hide
    return r.stepped ? std::round(v) : v;
}

float randomVelocity(std::mt19937& rng, bool hostile) {
    if (hostile) {
        switch (rng() % 8) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return 1.5f;
        case 2: return -0.25f;
        default: break;
        }
    }
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

float randomTempo(std::mt19937& rng, bool hostile) {
    if (hostile) {
        switch (rng() % 10) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return std::numeric_limits<float>::infinity();
        case 2: return 0.0f;
        case 3: return -120.0f;
        case 4: return 1e-30f;
        default: break;
        }
    }
    return std::uniform_real_distribution<float>(40.0f, 240.0f)(rng);
}

double randomJump(std::mt19937& rng, bool hostile) {
    if (hostile) {
        switch (rng() % 8) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return std::numeric_limits<double>::infinity();
        case 2: return -std::numeric_limits<double>::infinity();
        case 3: return 1e300;
        default: break;
        }
    }
    return std::uniform_real_distribution<double>(-4.0, 400.0)(rng);
}

} // namespace

SoundParams randomParams(uint32_t seed) {
    std::mt19937 rng(seed);
    SoundParams p;
    for (int s = 0; s < kSoundParamCount; ++s) slotValue(p, s) = randomValue(rng, s);
    return p;
}

void runScenario(const ScenarioOptions& o, const RenderFunction& render, std::vector<float>& left,
                 std::vector<float>& right) {
    std::mt19937 rng(o.seed);
    SynthEngine engine;
    EnginePrepare(engine, o.sampleRate);
    SoundParams params = randomParams(o.seed * 7919u + 1u);
    CurveSet curves = defaultCurveSet();
    BlockTiming timing{0.0, 120.0f, true};
    std::vector<int> pressed;
    if (o.keepSpreadZero) params.spread = 0.0f;

    uint64_t done = 0;
    while (done < o.frames) {
        const uint32_t action = rng() % 100;
        if (action < 25) {
            const int key = rng() % 10 == 0 ? static_cast<int>(rng() % 128) : 28 + static_cast<int>(rng() % 36);
            EngineNoteOn(engine, key, randomVelocity(rng, o.hostileTransport));
            pressed.push_back(key);
        } else if (action < 45 && !pressed.empty()) {
            const size_t i = rng() % pressed.size();
            EngineNoteOff(engine, pressed[i]);
            pressed.erase(pressed.begin() + static_cast<long>(i));
        } else if (action < 48) {
            EngineReleaseAll(engine);
            pressed.clear();
        } else if (action < 60) {
            const int slot = static_cast<int>(rng() % kSoundParamCount);
            slotValue(params, slot) = randomValue(rng, slot);
            if (o.keepSpreadZero) params.spread = 0.0f;
        } else if (action < 66) {
            const int curve = static_cast<int>(rng() % kCurveCount);
            for (float& v : curves.points[curve]) v = std::uniform_real_distribution<float>(-1.0f, 1.0f)(rng);
        } else if (action < 67) {
            EngineReset(engine);
            pressed.clear();
        } else if (action < 72) {
            timing.playing = rng() % 4 != 0;
            timing.tempo = randomTempo(rng, o.hostileTransport);
            timing.beatPosition = randomJump(rng, o.hostileTransport);
        }

        uint32_t n = 1 + rng() % o.longestSlice;
        if (rng() % 5 == 0) n = 1 + rng() % 3; // single frames between events
        if (n > o.frames - done) n = static_cast<uint32_t>(o.frames - done);
        const size_t at = left.size();
        left.resize(at + n, std::numeric_limits<float>::quiet_NaN());
        right.resize(at + n, std::numeric_limits<float>::quiet_NaN());
        render(engine, params, curves, timing, left.data() + at, right.data() + at, n);
        if (timing.playing && timing.tempo > 0.0f)
            timing.beatPosition += n * static_cast<double>(timing.tempo) / (60.0 * o.sampleRate);
        done += n;
    }
}

} // namespace fennrow::testing
