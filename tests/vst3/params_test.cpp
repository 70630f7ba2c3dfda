// The parameters and the program list as the host's generic editor and preset
// menu see them, checked against the CLAP plugin's own answers.
#include "support/built_module.h"
#include "support/fake_host.h"
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace fennrow::test {
namespace {

using namespace ::vst3;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// The CLAP plugin, for the answers the VST 3 side must repeat.
struct ClapPlugin : BuiltPlugin {
    std::string text(clap_id id, double plain) const {
        char buffer[128] = {};
        params->value_to_text(plugin, id, plain, buffer, sizeof buffer);
        return buffer;
    }
    double value(clap_id id) const {
        double plain = 0.0;
        params->get_value(plugin, id, &plain);
        return plain;
    }
};

double normalizedOf(const clap_param_info_t& info, double plain) {
    return (plain - info.min_value) / (info.max_value - info.min_value);
}

TEST(Vst3Params, EveryClapParameterWithItsIdNameRangeAndTexts) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    ClapPlugin clap;
    const std::uint32_t count = clap.params->count(clap.plugin);
    ASSERT_EQ(plugin.controllerVtbl().getParameterCount(plugin.controller),
              static_cast<std::int32_t>(count) + 1);
    for (std::uint32_t index = 0; index < count; ++index) {
        clap_param_info_t expected{};
        ASSERT_TRUE(clap.params->get_info(clap.plugin, index, &expected));
        ParameterInfo info{};
        ASSERT_EQ(plugin.controllerVtbl().getParameterInfo(plugin.controller,
                                                           static_cast<std::int32_t>(index), &info),
                  kResultOk);
        SCOPED_TRACE(expected.name);
        EXPECT_EQ(info.id, expected.id);
        EXPECT_EQ(utf8Of(info.title), expected.name);
        EXPECT_EQ(info.flags, kCanAutomate);
        EXPECT_EQ(info.unitId, kRootUnitId);
        const bool stepped = (expected.flags & CLAP_PARAM_IS_STEPPED) != 0;
        EXPECT_EQ(info.stepCount, stepped ? std::lround(expected.max_value - expected.min_value) : 0);
        EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, normalizedOf(expected, expected.default_value));
        EXPECT_DOUBLE_EQ(plugin.value(info.id), normalizedOf(expected, expected.default_value));
        // The number is the plugin's own text; the unit stands beside it.
        const std::string units = utf8Of(info.units);
        for (double normalized : {0.0, 0.37, 1.0}) {
            char16 text[128] = {};
            ASSERT_EQ(
                plugin.controllerVtbl().getParamStringByValue(plugin.controller, info.id, normalized, text),
                kResultOk);
            const double plain = expected.min_value + normalized * (expected.max_value - expected.min_value);
            EXPECT_EQ(utf8Of(text) + (units.empty() ? "" : " " + units), clap.text(expected.id, plain));
            double back = -1.0;
            ASSERT_EQ(plugin.controllerVtbl().getParamValueByString(plugin.controller, info.id, text, &back),
                      kResultOk);
            // Stepped values read back as the step they show.
            const double steps = expected.max_value - expected.min_value;
            EXPECT_NEAR(back, stepped ? std::round(normalized * steps) / steps : normalized, 0.002);
        }
    }
}

struct ParamCase {
    ParamID id;
    const char* title;
    const char* units;
    std::int32_t stepCount;
    double normalized;
    const char* text;
};

TEST(Vst3Params, UnitsStepsAndTexts) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    const ParamCase cases[] = {
        {5, "Punch time", "s", 0, (0.06 - 0.01) / 0.29, "0.060"},
        {8, "Motion rate", "beats", 0, 0.75 / 15.75, "1.000"},
        {12, "Arc bars", "bars", 15, 7.0 / 15.0, "8"},
        {20, "Legato", "", 1, 1.0, "1"},
        {1, "Weight", "", 0, 0.6, "0.600"},
    };
    for (const ParamCase& c : cases) {
        ParameterInfo info{};
        ASSERT_EQ(plugin.controllerVtbl().getParameterInfo(plugin.controller,
                                                           static_cast<std::int32_t>(c.id) - 1, &info),
                  kResultOk);
        EXPECT_EQ(utf8Of(info.title), c.title);
        EXPECT_EQ(utf8Of(info.units), c.units);
        EXPECT_EQ(info.stepCount, c.stepCount);
        char16 text[128] = {};
        ASSERT_EQ(plugin.controllerVtbl().getParamStringByValue(plugin.controller, c.id, c.normalized, text),
                  kResultOk);
        EXPECT_EQ(utf8Of(text), c.text) << c.title;
    }
    // The host's typing, with or without the unit; text that is no number is refused.
    std::u16string typed = wide("12 bars");
    double normalized = 0.0;
    ASSERT_EQ(plugin.controllerVtbl().getParamValueByString(plugin.controller, 12, typed.data(), &normalized),
              kResultOk);
    EXPECT_DOUBLE_EQ(normalized, 11.0 / 15.0);
    typed = wide("abc");
    EXPECT_EQ(plugin.controllerVtbl().getParamValueByString(plugin.controller, 12, typed.data(), &normalized),
              kResultFalse);
    EXPECT_DOUBLE_EQ(plugin.controllerVtbl().normalizedParamToPlain(plugin.controller, 12, 7.0 / 15.0), 8.0);
    EXPECT_NEAR(plugin.controllerVtbl().plainParamToNormalized(plugin.controller, 5, 0.01), 0.0, 1e-6);
    ParameterInfo info{};
    EXPECT_EQ(plugin.controllerVtbl().getParameterInfo(plugin.controller, 24, &info), kInvalidArgument);
    EXPECT_EQ(plugin.setValue(999, 0.5), kInvalidArgument);
}

TEST(Vst3Programs, FactorySoundsAreOneProgramList) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    const IUnitInfoVtbl& units = plugin.unitsVtbl();
    ASSERT_EQ(units.getUnitCount(plugin.units), 1);
    UnitInfo unit{};
    ASSERT_EQ(units.getUnitInfo(plugin.units, 0, &unit), kResultOk);
    EXPECT_EQ(unit.id, kRootUnitId);
    EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
    ASSERT_EQ(units.getProgramListCount(plugin.units), 1);
    ProgramListInfo list{};
    ASSERT_EQ(units.getProgramListInfo(plugin.units, 0, &list), kResultOk);
    EXPECT_EQ(list.id, unit.programListId);
    ASSERT_EQ(list.programCount, 21) << "the factory sounds and the entry for any other sound";
    char16 name[128] = {};
    ASSERT_EQ(units.getProgramName(plugin.units, list.id, 0, name), kResultOk);
    EXPECT_EQ(utf8Of(name), "Init");
    ASSERT_EQ(units.getProgramName(plugin.units, list.id, 19, name), kResultOk);
    EXPECT_EQ(utf8Of(name), "Dark Legato");
    ASSERT_EQ(units.getProgramName(plugin.units, list.id, 20, name), kResultOk);
    EXPECT_EQ(utf8Of(name), "(edited)");
    EXPECT_NE(units.getProgramName(plugin.units, list.id, 21, name), kResultOk);

    ParameterInfo program{};
    ASSERT_EQ(plugin.controllerVtbl().getParameterInfo(plugin.controller, 23, &program), kResultOk);
    EXPECT_EQ(program.id, kProgramParamId);
    EXPECT_EQ(program.flags, kIsProgramChange | kIsList);
    EXPECT_EQ(program.stepCount, 20);
    EXPECT_EQ(program.unitId, unit.id);
}

// Choosing a program loads that sound through the plugin's preset load; the
// values the host reads then are the CLAP plugin's.
TEST(Vst3Programs, ChoosingAProgramLoadsTheSound) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    ComponentHandler handler;
    ASSERT_EQ(plugin.controllerVtbl().setComponentHandler(plugin.controller, handler.handler()), kResultOk);
    const std::int32_t index = 15; // Neuro
    char16 name[128] = {};
    ASSERT_EQ(plugin.unitsVtbl().getProgramName(plugin.units, 1, index, name), kResultOk);
    ASSERT_EQ(plugin.setValue(kProgramParamId, index / 20.0), kResultOk);
    EXPECT_DOUBLE_EQ(plugin.value(kProgramParamId), index / 20.0);
    EXPECT_TRUE(handler.restarts.empty()) << "nothing called back from inside the host's call";

    ClapPlugin clap;
    const auto* presets = static_cast<const clap_plugin_preset_load_t*>(
        clap.plugin->get_extension(clap.plugin, CLAP_EXT_PRESET_LOAD));
    ASSERT_TRUE(presets->from_location(clap.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                       utf8Of(name).c_str()));
    for (std::uint32_t i = 0; i < clap.params->count(clap.plugin); ++i) {
        clap_param_info_t info{};
        clap.params->get_info(clap.plugin, i, &info);
        EXPECT_DOUBLE_EQ(plugin.value(info.id), normalizedOf(info, clap.value(info.id))) << info.name;
    }
    char16 shown[128] = {};
    ASSERT_EQ(plugin.controllerVtbl().getParamStringByValue(plugin.controller, kProgramParamId, index / 20.0,
                                                            shown),
              kResultOk);
    EXPECT_EQ(utf8Of(shown), utf8Of(name));
    ASSERT_EQ(plugin.controllerVtbl().setComponentHandler(plugin.controller, nullptr), kResultOk);
    EXPECT_EQ(handler.references, 1);
}

} // namespace
} // namespace fennrow::test
