#include "plugin/factory_sounds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace fennrow::test {
namespace {

bool sameBits(const engine::SoundSnapshot& a, const engine::SoundSnapshot& b) {
    return std::memcmp(&a, &b, sizeof(engine::SoundSnapshot)) == 0;
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
    const auto sounds = plugin::factorySounds();
    ASSERT_EQ(sounds.size(), std::size(listed));
    std::set<std::string> seen;
    for (std::size_t i = 0; i < sounds.size(); ++i) {
        EXPECT_EQ(sounds[i].name, listed[i].name);
        EXPECT_EQ(sounds[i].category, listed[i].category) << listed[i].name;
        EXPECT_TRUE(seen.insert(sounds[i].name).second) << sounds[i].name;
    }
    EXPECT_EQ(sounds[0].category, "Other");
    EXPECT_TRUE(sameBits(sounds[0].sound, engine::defaultSoundSnapshot()));
}

TEST(FactorySounds, LookupIsExactAndCaseSensitive) {
    const plugin::FactorySound* deepSub = plugin::findFactorySound("Deep Sub");
    ASSERT_NE(deepSub, nullptr);
    engine::SoundSnapshot expected = engine::defaultSoundSnapshot();
    expected.params.weight = 1.0f;
    expected.params.drive = 0.38f;
    expected.params.punch = 0.15f;
    expected.params.shape = 0.7f;
    EXPECT_TRUE(sameBits(deepSub->sound, expected));
    EXPECT_EQ(deepSub->category, "Sub");

    for (const char* miss : {"deep sub", "Deep Sub ", "Deep", "", "init"}) {
        EXPECT_EQ(plugin::findFactorySound(miss), nullptr) << miss;
    }
    EXPECT_EQ(plugin::findFactorySound(std::string_view("Init\0x", 6)), nullptr);
}

TEST(FactorySounds, CurveShapesAreExactSinglePrecisionForms) {
    const engine::CurveSet& glitch = plugin::findFactorySound("Glitch Pluck")->sound.curves;
    const engine::CurveSet& rising = plugin::findFactorySound("Rising Tension")->sound.curves;
    const engine::CurveSet& squelch = plugin::findFactorySound("Squelch")->sound.curves;
    const engine::CurveSet& screamer = plugin::findFactorySound("Acid Screamer")->sound.curves;
    const engine::CurveSet& neuro = plugin::findFactorySound("Neuro")->sound.curves;
    const engine::CurveSet defaults = engine::defaultCurveSet();
    for (int i = 0; i < engine::kCurvePoints; ++i) {
        EXPECT_EQ(glitch.points[engine::kCurveArcShape][i], i == 32 ? 1.0f : -1.0f) << i;
        EXPECT_EQ(rising.points[engine::kCurveArcTone][i], engine::risingRampPoint(i)) << i;
        EXPECT_EQ(rising.points[engine::kCurveArcDrive][i], engine::risingRampPoint(i)) << i;
        EXPECT_EQ(rising.points[engine::kCurveArcShape][i], 0.0f) << i;
        EXPECT_EQ(squelch.points[engine::kCurveMotion][i], engine::risingRampPoint(i)) << i;
        EXPECT_EQ(squelch.points[engine::kCurveMotionDrive][i], defaults.points[engine::kCurveMotionDrive][i])
            << i;
        EXPECT_EQ(screamer.points[engine::kCurveMotion][i], -engine::risingRampPoint(i)) << i;
        EXPECT_EQ(neuro.points[engine::kCurveMotion][i], i < 32 ? -1.0f : 1.0f) << i;
    }
    EXPECT_EQ(screamer.points[engine::kCurveMotion][0], 1.0f);
    EXPECT_EQ(screamer.points[engine::kCurveMotion][63], -1.0f);
}

TEST(FactorySounds, ValuesThatAreEasyToGetWrong) {
    const engine::SoundParams& glitch = plugin::findFactorySound("Glitch Pluck")->sound.params;
    EXPECT_EQ(glitch.legato, 0.0f);
    EXPECT_EQ(glitch.arcBars, 1.0f);
    EXPECT_EQ(glitch.drive, 0.65f); // not named, so the default
    const engine::SoundParams& wobble = plugin::findFactorySound("Wobble")->sound.params;
    EXPECT_EQ(wobble.motionRate, 1.0f / 3.0f);
    EXPECT_NE(wobble.motionRate, 0.3333333f);
    const engine::SoundParams defaults{};
    for (const plugin::FactorySound& sound : plugin::factorySounds()) {
        const engine::SoundParams& p = sound.sound.params;
        EXPECT_EQ(p.pluck, defaults.pluck) << sound.name;
        EXPECT_EQ(p.arcShapeDepth, defaults.arcShapeDepth) << sound.name;
        EXPECT_EQ(p.arcToneDepth, defaults.arcToneDepth) << sound.name;
        EXPECT_EQ(p.arcDriveDepth, defaults.arcDriveDepth) << sound.name;
        EXPECT_EQ(p.arcMotionDepth, defaults.arcMotionDepth) << sound.name;
        EXPECT_EQ(p.arcSpreadDepth, defaults.arcSpreadDepth) << sound.name;
    }
}

} // namespace
} // namespace fennrow::test
