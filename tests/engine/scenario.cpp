#include "scenario.h"

#include <cmath>
#include <limits>
#include <random>

namespace fennrow::test {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Lowest and highest value by slot; arcBars and legato are whole numbers.
constexpr float kRanges[engine::kSoundParamCount][2] = {
    {0, 1},  {0, 1}, {0, 1}, {0, 1},    {0.01f, 0.3f}, {0, 1}, {0, 1}, {0.25f, 16},
    {0, 1},  {0, 1}, {0, 1}, {0, 0.4f}, {0, 1},        {0, 1}, {0, 1}, {0, 1},
    {1, 16}, {0, 1}, {0, 1}, {0, 1},    {0, 1},        {0, 1}, {0, 1},
};

float randomValue(std::mt19937& rng, int slot) {
    const float lo = kRanges[slot][0], hi = kRanges[slot][1];
    float v = rng() % 6 == 0 ? (rng() % 2 ? lo : hi) : std::uniform_real_distribution<float>(lo, hi)(rng);
    const bool stepped = slot == 12 || slot == 16;
    return stepped ? std::round(v) : v;
}

template <class T, size_t N>
T pick(std::mt19937& rng, const T (&odd)[N], T usual) {
    const size_t i = rng() % (2 * N);
    return i < N ? odd[i] : usual;
}

} // namespace

engine::SoundParams randomParams(uint32_t seed) {
    std::mt19937 rng(seed);
    engine::SoundParams p;
    for (int s = 0; s < engine::kSoundParamCount; ++s) slotValue(p, s) = randomValue(rng, s);
    return p;
}

void runScenario(const ScenarioOptions& o, RenderFunction render, std::vector<float>& left,
                 std::vector<float>& right) {
    std::mt19937 rng(o.seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    engine::SynthEngine engine;
    enginePrepare(engine, o.sampleRate);
    engine::SoundParams params = randomParams(o.seed * 7919u + 1u);
    engine::CurveSet curves = engine::defaultCurveSet();
    engine::BlockTiming timing{0.0, 120.0f, true};
    std::vector<int> pressed;
    const float oddVelocities[] = {kNaN, 1.5f, -0.25f};
    const float oddTempos[] = {kNaN, kInf, 0.0f, -120.0f, 1e-30f};
    const double oddPositions[] = {static_cast<double>(kNaN), static_cast<double>(kInf),
                                   -static_cast<double>(kInf), 1e300};

    for (uint64_t done = 0; done < o.frames;) {
        const uint32_t action = rng() % 100;
        if (action < 25) {
            const int key =
                rng() % 10 == 0 ? static_cast<int>(rng() % 128) : 28 + static_cast<int>(rng() % 36);
            engineNoteOn(engine, key, o.hostile ? pick(rng, oddVelocities, unit(rng)) : unit(rng));
            pressed.push_back(key);
        } else if (action < 45 && !pressed.empty()) {
            const size_t i = rng() % pressed.size();
            engineNoteOff(engine, pressed[i]);
            pressed.erase(pressed.begin() + static_cast<long>(i));
        } else if (action < 48) {
            engineReleaseAll(engine);
            pressed.clear();
        } else if (action < 60) {
            const int slot = static_cast<int>(rng() % engine::kSoundParamCount);
            slotValue(params, slot) = randomValue(rng, slot);
        } else if (action < 66) {
            for (float& v : curves.points[rng() % engine::kCurveCount]) v = unit(rng) * 2.0f - 1.0f;
        } else if (action < 67) {
            engineReset(engine);
            pressed.clear();
        } else if (action < 72) {
            timing.playing = rng() % 4 != 0;
            const float tempo = 40.0f + 200.0f * unit(rng);
            const double position = -4.0 + 400.0 * unit(rng);
            timing.tempo = o.hostile ? pick(rng, oddTempos, tempo) : tempo;
            timing.beatPosition = o.hostile ? pick(rng, oddPositions, position) : position;
        }
        if (o.monoSpread) params.spread = 0.0f;

        uint32_t n = rng() % 5 == 0 ? 1 + rng() % 3 : 1 + rng() % o.longestSlice;
        n = static_cast<uint32_t>(std::min<uint64_t>(n, o.frames - done));
        const size_t at = left.size();
        left.resize(at + n, kNaN); // so that a frame left unwritten shows
        right.resize(at + n, kNaN);
        render(engine, params, curves, timing, &left[at], &right[at], n);
        if (timing.playing && timing.tempo > 0.0f)
            timing.beatPosition += n * static_cast<double>(timing.tempo) / (60.0 * o.sampleRate);
        done += n;
    }
}

} // namespace fennrow::test
