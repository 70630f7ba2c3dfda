// A block may carry any number of events: a point on every frame of several
// parameters plus notes still plays exactly as the CLAP module plays it, and
// the note-off at the end of the busy stretch is heard.
#include "score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>

namespace fennrow::test {
namespace {

struct BusyCase {
    const char* name;
    std::int32_t blockSize;
    std::vector<std::uint32_t> ramped; // parameter ids with a point on every frame of the first block
    std::optional<ScoreTransport> transport;
};

void PrintTo(const BusyCase& c, std::ostream* os) { *os << c.name; }

constexpr std::uint32_t kOneSecond = 48000;

// Two notes and their note-offs inside the busy first block, one more note
// ending in the second; then silence.
Score busyScore(const BusyCase& c) {
    Score score;
    score.blockSize = c.blockSize;
    score.transport = c.transport;
    const auto block = static_cast<std::uint32_t>(c.blockSize);
    score.frames = 3 * block + kOneSecond;
    score.notes = {{0, 33, 0.9f},
                   {block / 3, 33, 0.0f},
                   {block / 2, 40, 0.7f},
                   {block * 5 / 8, 40, 0.0f},
                   {block * 3 / 4, 28, 0.8f},
                   {block + block / 4, 28, 0.0f}};
    for (std::uint32_t frame = 0; frame < block; ++frame) {
        for (std::size_t p = 0; p < c.ramped.size(); ++p) {
            const double phase = static_cast<double>(frame) / block;
            score.points.push_back({frame, c.ramped[p], std::fmod(phase * (p + 1), 1.0)});
        }
    }
    return score;
}

class Vst3BusyBlocks : public ::testing::TestWithParam<BusyCase> {};

TEST_P(Vst3BusyBlocks, PlayLikeClapAndEndEveryNote) {
    const Score score = busyScore(GetParam());
    const Rendered vst3 = renderThroughVst3(score);
    const Rendered clap = renderThroughClap(score);
    ASSERT_TRUE(vst3.ok && clap.ok);
    ASSERT_EQ(vst3.left.size(), clap.left.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < vst3.left.size(); ++i) {
        differing += std::memcmp(&vst3.left[i], &clap.left[i], sizeof(float)) != 0 ||
                     std::memcmp(&vst3.right[i], &clap.right[i], sizeof(float)) != 0;
    }
    EXPECT_EQ(differing, 0u);
    // A second after the last note-off, nothing sounds.
    const std::size_t tail = vst3.left.size() - kOneSecond / 10;
    float peak = 0.0f;
    for (std::size_t i = tail; i < vst3.left.size(); ++i) peak = std::max(peak, std::abs(vst3.left[i]));
    EXPECT_LT(peak, 1e-4f);
}

// Tone 3, Drive 2, Shape 6, Spread 10, Motion 7, Weight 1, Punch 4 and the
// stepped Arc bars 12. Eight ramps over 16384 frames hold twice as many
// events as a block's storage: the block is played in pieces.
INSTANTIATE_TEST_SUITE_P(Cases, Vst3BusyBlocks,
                         ::testing::Values(BusyCase{"OneRamp8192", 8192, {3}, std::nullopt},
                                           BusyCase{"FourRamps16384", 16384, {3, 2, 6, 12}, std::nullopt},
                                           BusyCase{"EightRamps16384Playing",
                                                    16384,
                                                    {3, 2, 6, 10, 7, 1, 4, 12},
                                                    ScoreTransport{128.0, 2.0, true}}),
                         [](const ::testing::TestParamInfo<BusyCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace fennrow::test
