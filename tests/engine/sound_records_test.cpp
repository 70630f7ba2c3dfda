#include "engine/sound.h"

#include <gtest/gtest.h>

namespace fennrow {
namespace {

TEST(SoundRecords, DefaultCurvesFollowTheirShapes) {
    const CurveSet set = defaultCurveSet();
    EXPECT_EQ(set.points[kCurveMotion][0], -1.0f);
    EXPECT_EQ(set.points[kCurveMotion][32], 1.0f);
    EXPECT_EQ(set.points[kCurveMotionLevel][0], -1.0f);
    EXPECT_EQ(set.points[kCurveMotionLevel][63], 1.0f);
    for (int c = kCurveArcShape; c < kCurveCount; ++c)
        for (int i = 0; i < kCurvePoints; ++i) EXPECT_EQ(set.points[c][i], 0.0f);
}

TEST(SoundRecords, SlotTableAddressesEveryMemberOnce) {
    SoundParams p{};
    for (int s = 0; s < kSoundParamCount; ++s) slotValue(p, s) = static_cast<float>(s + 100);
    const float* raw = reinterpret_cast<const float*>(&p);
    for (int s = 0; s < kSoundParamCount; ++s) EXPECT_EQ(raw[s], static_cast<float>(s + 100));
}

} // namespace
} // namespace fennrow
