#include "plugin/factory_sounds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace fennrow {
namespace {

bool sameBits(const SoundSnapshot& a, const SoundSnapshot& b) {
    return std::memcmp(&a, &b, sizeof(SoundSnapshot)) == 0;
}

TEST(FactorySounds, ListsTwentyUniquelyNamedSoundsInHostOrder) {
    struct Listed {
        const char* name;
        const char* category;
    };
    const Listed listed[] = {
        {"Init", "Other"},           {"Demo", "Pluck"},
        {"Deep Sub", "Sub"},         {"Boom 808", "Sub"},
        {"Kick Sub", "Sub"},         {"Pumping Sub", "Sub"},
        {"Wide Reese", "Reese"},     {"Breathing Reese", "Reese"},
        {"Rising Tension", "Reese"}, {"Rubber Pluck", "Pluck"},
        {"Glitch Pluck", "Pluck"},   {"Hoover Stab", "Pluck"},
        {"Squelch", "Acid"},         {"Acid Screamer", "Acid"},
        {"Growl", "Growl"},          {"Neuro", "Growl"},
        {"Wobble", "Growl"},         {"Talking Growl", "Growl"},
        {"Organ House", "Other"},    {"Dark Legato", "Other"},
    };
    const auto sounds = factorySounds();
    ASSERT_EQ(sounds.size(), std::size(listed));
    std::set<std::string> seen;
    for (std::size_t i = 0; i < sounds.size(); ++i) {
        EXPECT_EQ(sounds[i].name, listed[i].name);
        EXPECT_EQ(sounds[i].category, listed[i].category) << listed[i].name;
        EXPECT_TRUE(seen.insert(sounds[i].name).second) << sounds[i].name;
    }
    EXPECT_EQ(sounds[0].category, "Other");
    EXPECT_TRUE(sameBits(sounds[0].sound, defaultSoundSnapshot()));
}

TEST(FactorySounds, LookupIsExactAndCaseSensitive) {
    const FactorySound* deepSub = findFactorySound("Deep Sub");
    ASSERT_NE(deepSub, nullptr);
    SoundSnapshot expected = defaultSoundSnapshot();
    expected.params.weight = 1.0f;
    expected.params.drive = 0.38f;
    expected.params.punch = 0.15f;
    expected.params.shape = 0.7f;
    EXPECT_TRUE(sameBits(deepSub->sound, expected));
    EXPECT_EQ(deepSub->category, "Sub");

    for (const char* miss : {"deep sub", "Deep Sub ", "Deep", "", "init"}) {
        EXPECT_EQ(findFactorySound(miss), nullptr) << miss;
    }
    EXPECT_EQ(findFactorySound(std::string_view("Init\0x", 6)), nullptr);
}

TEST(FactorySounds, CurveShapesAreExactSinglePrecisionForms) {
    const CurveSet& glitch = findFactorySound("Glitch Pluck")->sound.curves;
    const CurveSet& rising = findFactorySound("Rising Tension")->sound.curves;
    const CurveSet& squelch = findFactorySound("Squelch")->sound.curves;
    const CurveSet& screamer = findFactorySound("Acid Screamer")->sound.curves;
    const CurveSet& neuro = findFactorySound("Neuro")->sound.curves;
    const CurveSet defaults = defaultCurveSet();
    for (int i = 0; i < kCurvePoints; ++i) {
        EXPECT_EQ(glitch.points[kCurveArcShape][i], i == 32 ? 1.0f : -1.0f) << i;
        EXPECT_EQ(rising.points[kCurveArcTone][i], risingRampPoint(i)) << i;
        EXPECT_EQ(rising.points[kCurveArcDrive][i], risingRampPoint(i)) << i;
        EXPECT_EQ(rising.points[kCurveArcShape][i], 0.0f) << i;
        EXPECT_EQ(squelch.points[kCurveMotion][i], risingRampPoint(i)) << i;
        EXPECT_EQ(squelch.points[kCurveMotionDrive][i], defaults.points[kCurveMotionDrive][i]) << i;
        EXPECT_EQ(screamer.points[kCurveMotion][i], -risingRampPoint(i)) << i;
        EXPECT_EQ(neuro.points[kCurveMotion][i], i < 32 ? -1.0f : 1.0f) << i;
    }
    EXPECT_EQ(screamer.points[kCurveMotion][0], 1.0f);
    EXPECT_EQ(screamer.points[kCurveMotion][63], -1.0f);
}

TEST(FactorySounds, ValuesThatAreEasyToGetWrong) {
    const SoundParams& glitch = findFactorySound("Glitch Pluck")->sound.params;
    EXPECT_EQ(glitch.legato, 0.0f);
    EXPECT_EQ(glitch.arcBars, 1.0f);
    EXPECT_EQ(glitch.drive, 0.65f); // not named, so the default
    const SoundParams& wobble = findFactorySound("Wobble")->sound.params;
    EXPECT_EQ(wobble.motionRate, 1.0f / 3.0f);
    EXPECT_NE(wobble.motionRate, 0.3333333f);
    const SoundParams defaults{};
    for (const FactorySound& sound : factorySounds()) {
        const SoundParams& p = sound.sound.params;
        EXPECT_EQ(p.pluck, defaults.pluck) << sound.name;
        EXPECT_EQ(p.arcShapeDepth, defaults.arcShapeDepth) << sound.name;
        EXPECT_EQ(p.arcToneDepth, defaults.arcToneDepth) << sound.name;
        EXPECT_EQ(p.arcDriveDepth, defaults.arcDriveDepth) << sound.name;
        EXPECT_EQ(p.arcMotionDepth, defaults.arcMotionDepth) << sound.name;
        EXPECT_EQ(p.arcSpreadDepth, defaults.arcSpreadDepth) << sound.name;
    }
}

} // namespace
} // namespace fennrow
