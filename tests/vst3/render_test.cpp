// The VST 3 module plays what the CLAP module plays: the same bass line,
// automation and transport give the same samples, bit for bit.
#include "score.h"

#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

namespace fennrow::test {
namespace {

struct RenderCase {
    const char* name;
    std::int32_t blockSize;
    std::optional<ScoreTransport> transport;
};

void PrintTo(const RenderCase& c, std::ostream* os) { *os << c.name; }

class Vst3RendersLikeClap : public ::testing::TestWithParam<RenderCase> {};

TEST_P(Vst3RendersLikeClap, SameSamples) {
    const RenderCase& c = GetParam();
    const Score score = bassLine(c.blockSize, c.transport);
    const Rendered vst3 = renderThroughVst3(score);
    const Rendered clap = renderThroughClap(score);
    ASSERT_TRUE(vst3.ok);
    ASSERT_TRUE(clap.ok);
    ASSERT_EQ(vst3.left.size(), score.frames);
    ASSERT_EQ(clap.left.size(), score.frames);
    EXPECT_EQ(std::memcmp(vst3.left.data(), clap.left.data(), score.frames * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(vst3.right.data(), clap.right.data(), score.frames * sizeof(float)), 0);
    float peak = 0.0f;
    for (float sample : vst3.left) peak = std::max(peak, std::abs(sample));
    EXPECT_GT(peak, 0.01f) << "the bass line is heard";
}

// Motion follows the song position only while the transport plays, so the
// playing case checks tempo and position reach the plugin.
INSTANTIATE_TEST_SUITE_P(
    Cases, Vst3RendersLikeClap,
    ::testing::Values(RenderCase{"Playing512", 512, ScoreTransport{120.0, 0.0, true}},
                      RenderCase{"PlayingOddBlocks", 173, ScoreTransport{97.5, 6.25, true}},
                      RenderCase{"Stopped", 1024, ScoreTransport{140.0, 3.0, false}},
                      RenderCase{"NoContext", 64, std::nullopt}),
    [](const ::testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

TEST(Vst3Transport, MotionMovesOnlyWhilePlaying) {
    Score playing = bassLine(512, ScoreTransport{120.0, 0.0, true});
    Score stopped = bassLine(512, ScoreTransport{120.0, 0.0, false});
    const Rendered a = renderThroughVst3(playing);
    const Rendered b = renderThroughVst3(stopped);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_NE(std::memcmp(a.left.data(), b.left.data(), a.left.size() * sizeof(float)), 0);
}

// A block longer than the plugin takes at once is played in pieces, with the
// events and the song position of each piece.
TEST(Vst3Process, LongBlocksPlayInPieces) {
    Score longBlocks = bassLine(32768, ScoreTransport{120.0, 0.0, true});
    longBlocks.frames = 3 * 32768;
    Score shortBlocks = longBlocks;
    shortBlocks.blockSize = 16384;
    const Rendered a = renderThroughVst3(longBlocks);
    const Rendered b = renderThroughClap(shortBlocks);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(std::memcmp(a.left.data(), b.left.data(), a.left.size() * sizeof(float)), 0);
}

} // namespace
} // namespace fennrow::test
