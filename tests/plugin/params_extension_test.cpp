#include "plugin/param_writes.h"
#include "support/audio_block.h"
#include "support/event_list.h"
#include "support/plugin_harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace fennrow::test {
namespace {

using test::TestPlugin;

const clap_plugin_params_t* paramsOf(const TestPlugin& p) {
    return p.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
}

struct InfoCase {
    uint32_t index;
    clap_id id;
    const char* name;
    uint32_t flags;
    float min, max, defaultValue;
};

TEST(ParamsExtension, InfoDescribesEachRow) {
    TestPlugin p;
    const auto* params = paramsOf(p);
    ASSERT_NE(params, nullptr);
    EXPECT_EQ(params->count(p.plugin), 23u);
    const InfoCase cases[] = {
        {0, 1, "Weight", 0x20, 0.0f, 1.0f, 0.6f},   {4, 5, "Punch time", 0x20, 0.01f, 0.3f, 0.06f},
        {8, 9, "Glide", 0x20, 0.0f, 0.4f, 0.05f},   {11, 12, "Arc bars", 0x21, 1.0f, 16.0f, 8.0f},
        {19, 20, "Legato", 0x21, 0.0f, 1.0f, 1.0f}, {22, 23, "Motion to Level", 0x20, 0.0f, 1.0f, 0.0f},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.name);
        clap_param_info_t info;
        std::memset(&info, 0xAB, sizeof info);
        ASSERT_TRUE(params->get_info(p.plugin, c.index, &info));
        EXPECT_EQ(info.id, c.id);
        EXPECT_STREQ(info.name, c.name);
        EXPECT_STREQ(info.module, "");
        EXPECT_EQ(info.flags, c.flags);
        EXPECT_EQ(info.cookie, nullptr);
        EXPECT_EQ(info.min_value, static_cast<double>(c.min));
        EXPECT_EQ(info.max_value, static_cast<double>(c.max));
        EXPECT_EQ(info.default_value, static_cast<double>(c.defaultValue));
    }
}

TEST(ParamsExtension, UnknownIndexOrIdLeavesOutputUntouched) {
    TestPlugin p;
    const auto* params = paramsOf(p);
    clap_param_info_t info;
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_FALSE(params->get_info(p.plugin, 23, &info));
    EXPECT_FALSE(params->get_info(p.plugin, UINT32_MAX, &info));
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&info)[0], 0xAB);

    double value = -5.0;
    EXPECT_FALSE(params->get_value(p.plugin, 0, &value));
    EXPECT_FALSE(params->get_value(p.plugin, 24, &value));
    EXPECT_EQ(value, -5.0);

    char text[16] = "untouched";
    EXPECT_FALSE(params->value_to_text(p.plugin, 0, 1.0, text, sizeof text));
    EXPECT_STREQ(text, "untouched");
    EXPECT_FALSE(params->text_to_value(p.plugin, 99, "1", &value));
    EXPECT_EQ(value, -5.0);
}

TEST(ParamsExtension, NullOutputsAreRefused) {
    TestPlugin p;
    const auto* params = paramsOf(p);
    EXPECT_FALSE(params->get_info(p.plugin, 0, nullptr));
    EXPECT_FALSE(params->get_value(p.plugin, 1, nullptr));
    EXPECT_FALSE(params->value_to_text(p.plugin, 1, 0.5, nullptr, 16));
    EXPECT_FALSE(params->text_to_value(p.plugin, 1, "0.5", nullptr));
    double value = 3.0;
    EXPECT_FALSE(params->text_to_value(p.plugin, 1, nullptr, &value));
    EXPECT_EQ(value, 0.0); // the id is known, so the output is written
}

TEST(ParamsExtension, ValuesAreZeroBeforeInitAndDefaultsAfter) {
    TestPlugin p(TestPlugin::Init::No);
    const auto* params = paramsOf(p);
    for (uint32_t id = 1; id <= 23; ++id) {
        double value = -1.0;
        ASSERT_TRUE(params->get_value(p.plugin, id, &value));
        EXPECT_EQ(value, 0.0) << id;
    }
    p.plugin->init(p.plugin);
    for (int i = 0; i < plugin::kParamCount; ++i) {
        double value = -1.0;
        ASSERT_TRUE(params->get_value(p.plugin, plugin::kParamTable[i].id, &value));
        EXPECT_EQ(value, static_cast<double>(plugin::kParamTable[i].defaultValue))
            << plugin::kParamTable[i].key;
    }
}

struct TextCase {
    clap_id id;
    double value;
    const char* text;
};

TEST(ParamsExtension, ValueToTextFollowsUnitAndStepping) {
    TestPlugin p;
    const auto* params = paramsOf(p);
    const TextCase cases[] = {
        {12, 8.0, "8 bars"},    {12, 3.6, "4 bars"},       {20, 1.0, "1"},
        {5, 0.06, "0.060 s"},   {8, 1.0, "1.000 beats"},   {1, 0.6, "0.600"},
        {1, 0.6f, "0.600"},     {1, 2.5, "2.500"},         {1, -0.0004, "-0.000"},
        {9, 0.0125, "0.013 s"}, {12, 1e6, "1000000 bars"},
    };
    for (const TextCase& c : cases) {
        char text[64];
        ASSERT_TRUE(params->value_to_text(p.plugin, c.id, c.value, text, sizeof text));
        EXPECT_STREQ(text, c.text) << c.id << " " << c.value;
        // printf in the C locale is the reference for the digits.
        char expected[64];
        const plugin::ParamSpec& spec = plugin::kParamTable[c.id - 1];
        if (spec.unit[0] != '\0') {
            std::snprintf(expected, sizeof expected, spec.stepped ? "%.0f %s" : "%.3f %s", c.value,
                          spec.unit);
        } else {
            std::snprintf(expected, sizeof expected, spec.stepped ? "%.0f" : "%.3f", c.value);
        }
        EXPECT_STREQ(text, expected);
    }
}

// A value halfway between two steps plays the step away from zero, and its
// text names that step; so does a double that becomes such a half as a float.
TEST(ParamsExtension, ValueToTextNamesTheStepThatPlays) {
    TestPlugin p;
    const auto* params = paramsOf(p);
    const TextCase cases[] = {
        {20, 0.5, "1"},           {12, 8.5, "9 bars"},   {12, 2.5, "3 bars"},
        {20, 0.49999999999, "1"}, {12, -0.5, "-1 bars"},
    };
    for (const TextCase& c : cases) {
        char text[64];
        ASSERT_TRUE(params->value_to_text(p.plugin, c.id, c.value, text, sizeof text));
        EXPECT_STREQ(text, c.text) << c.id << " " << c.value;
    }
}

TEST(ParamsExtension, ValueToTextIsBoundedByTheBuffer) {
    TestPlugin p;
    const auto* params = paramsOf(p);
    char text[6] = "xxxxx";
    ASSERT_TRUE(params->value_to_text(p.plugin, 8, 1.0, text, 4));
    EXPECT_STREQ(text, "1.0");
    char huge[8];
    ASSERT_TRUE(params->value_to_text(p.plugin, 1, 1e300, huge, sizeof huge));
    EXPECT_EQ(std::strlen(huge), 7u);
}

struct ParseCase {
    const char* text;
    double value;
    bool ok;
};

TEST(ParamsExtension, TextToValueReadsTheLeadingNumber) {
    TestPlugin p;
    const auto* params = paramsOf(p);
    const ParseCase cases[] = {
        {"0.25", 0.25, true},
        {"abc", 0.0, false},
        {"2.5 s", 2.5, true},
        {"", 0.0, false},
        {"  -3", -3.0, true},
        {"+4e1x", 40.0, true},
        {"1.", 1.0, true},
        {".5", 0.5, true},
        {"--1", 0.0, false},
        {"0x10", 16.0, true},
        {"0xg", 0.0, true},
        {"-", 0.0, false},
        {"1e999", std::numeric_limits<double>::infinity(), true},
        {"1e-999", 0.0, true},
        {"0,5", 0.0, true},
        {"0x1ep-2000", 0.0, true},
        {"-0xep-2000", -0.0, true},
    };
    for (const ParseCase& c : cases) {
        double value = 99.0;
        EXPECT_EQ(params->text_to_value(p.plugin, 3, c.text, &value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        // strtod in the C locale is the reference.
        char* end = nullptr;
        const double reference = std::strtod(c.text, &end);
        EXPECT_EQ(value, reference) << c.text;
        EXPECT_EQ(c.ok, end != c.text) << c.text;
    }
}

struct WriteCase {
    clap_id id;
    double value;
    float stored;
};

TEST(WriteParam, RoundsSteppedValuesClampsAndReplacesNaN) {
    TestPlugin p;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const WriteCase cases[] = {
        {12, 3.6, 4.0f},
        {12, 40.0, 16.0f},
        {12, nan, 8.0f},
        {12, 2.5, 3.0f},
        {12, -7.0, 1.0f},
        {20, 0.5, 1.0f},
        {20, 0.49, 0.0f},
        {20, -0.5, 0.0f},
        {1, 0.3, 0.3f},
        {1, 1.5, 1.0f},
        {1, -1.0, 0.0f},
        {5, 0.0, 0.01f},
        {1, 1e300, 1.0f},
        {1, -1e300, 0.0f},
        {1, inf, 1.0f},
        {1, -inf, 0.0f},
        {3, nan, 0.5f},
        {8, 100.0, 16.0f},
        // Narrowed to float before rounding: these doubles become exact halves.
        {12, 2.4999999999999996, 3.0f},
        {20, 0.49999999999, 1.0f},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << " value " << c.value);
        writeParam(p.instance(), test::paramEvent(0, c.id, c.value));
        const plugin::ParamSpec& spec = plugin::kParamTable[c.id - 1];
        EXPECT_EQ(slotValue(p.instance().liveSound.params, spec.slot), c.stored);
        EXPECT_EQ(p.instance().paramValues[c.id - 1].load(), c.stored);
    }
}

TEST(WriteParam, UnknownIdChangesNothing) {
    TestPlugin p;
    const engine::SoundSnapshot before = p.instance().liveSound;
    writeParam(p.instance(), test::paramEvent(0, 24, 0.0));
    writeParam(p.instance(), test::paramEvent(0, 0, 0.0));
    EXPECT_EQ(std::memcmp(&before, &p.instance().liveSound, sizeof before), 0);
}

TEST(Flush, WhileInactivePublishesForTheNextBlock) {
    TestPlugin p;
    const auto* params = paramsOf(p);
    test::InputEvents events;
    events.param(0, 3, 0.2).noteOn(0, 60);
    params->flush(p.plugin, events.clap(), nullptr);
    double value = 0.0;
    ASSERT_TRUE(params->get_value(p.plugin, 3, &value));
    EXPECT_EQ(value, static_cast<double>(0.2f));

    // Something else overwrites the live sound; the published snapshot wins at
    // the start of the next block.
    p.instance().liveSound.params.tone = 0.9f;
    ASSERT_TRUE(p.activate());
    test::AudioBlock block(16);
    EXPECT_EQ(p.process(block.process()), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(p.instance().liveSound.params.tone, 0.2f);
    // The note on in the flushed list was ignored: no voice, silence.
    for (float sample : block.channel(0)) EXPECT_EQ(sample, 0.0f);
}

TEST(Flush, WhileActiveOnlyWritesValues) {
    TestPlugin p;
    ASSERT_TRUE(p.activate());
    test::InputEvents events;
    events.param(0, 1, 0.1);
    paramsOf(p)->flush(p.plugin, events.clap(), nullptr);
    EXPECT_EQ(p.instance().liveSound.params.weight, 0.1f);
    EXPECT_EQ(p.instance().exchange.shared.load() & plugin::SnapshotExchange::kNewMark, 0u);
}

TEST(Flush, ShortOrForeignEventsAreIgnored) {
    TestPlugin p;
    test::InputEvents events;
    clap_event_param_value_t shortEvent = test::paramEvent(0, 1, 0.1);
    shortEvent.header.size = sizeof shortEvent - 8; // the value would lie past the claimed end
    clap_event_param_value_t foreign = test::paramEvent(0, 1, 0.2);
    foreign.header.space_id = 7;
    events.add(shortEvent).add(foreign);
    paramsOf(p)->flush(p.plugin, events.clap(), nullptr);
    paramsOf(p)->flush(p.plugin, nullptr, nullptr);
    EXPECT_EQ(p.instance().paramValues[0].load(), 0.6f);
}

TEST(ApplyLoadedSound, SetsValuesAndCurvesAndPublishes) {
    TestPlugin p;
    engine::SoundSnapshot sound = engine::defaultSoundSnapshot();
    sound.params.arcBars = 3.0f;
    sound.params.glide = 0.2f;
    sound.curves.points[engine::kCurveArcTone][5] = 0.5f;
    applyLoadedSound(p.instance(), sound);
    EXPECT_EQ(p.instance().paramValues[plugin::paramIndexByKey("arcBars")].load(), 3.0f);
    EXPECT_EQ(p.instance().paramValues[plugin::paramIndexByKey("glide")].load(), 0.2f);
    EXPECT_EQ(p.instance().curves.points[engine::kCurveArcTone][5], 0.5f);
    EXPECT_EQ(makeSoundParams(p.instance()).arcBars, 3.0f);
    // The audio thread still plays the old sound until its next block.
    EXPECT_EQ(p.instance().liveSound.params.arcBars, 8.0f);
    ASSERT_TRUE(pickUpSnapshot(p.instance().exchange, p.instance().liveSound));
    EXPECT_EQ(std::memcmp(&p.instance().liveSound, &sound, sizeof sound), 0);
}

} // namespace
} // namespace fennrow::test
