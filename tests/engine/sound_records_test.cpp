#include "engine/sound.h"

#include <gtest/gtest.h>

namespace fennrow::test {
namespace {

TEST(SoundRecords, DefaultCurvesFollowTheirShapes) {
    const engine::CurveSet set = engine::defaultCurveSet();
    EXPECT_EQ(set.points[engine::kCurveMotion][0], -1.0f);
    EXPECT_EQ(set.points[engine::kCurveMotion][32], 1.0f);
    EXPECT_EQ(set.points[engine::kCurveMotionLevel][0], -1.0f);
    EXPECT_EQ(set.points[engine::kCurveMotionLevel][63], 1.0f);
    for (int c = engine::kCurveArcShape; c < engine::kCurveCount; ++c)
        for (int i = 0; i < engine::kCurvePoints; ++i) EXPECT_EQ(set.points[c][i], 0.0f);
}

TEST(SoundRecords, SlotTableAddressesEveryMemberOnce) {
    engine::SoundParams p{};
    for (int s = 0; s < engine::kSoundParamCount; ++s) slotValue(p, s) = static_cast<float>(s + 100);
    const float* raw = reinterpret_cast<const float*>(&p);
    for (int s = 0; s < engine::kSoundParamCount; ++s) EXPECT_EQ(raw[s], static_cast<float>(s + 100));
}

} // namespace
} // namespace fennrow::test
