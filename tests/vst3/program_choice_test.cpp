// The program menu tells the truth: every choice loads its sound, even the
// one shown, and after a state load the menu shows the factory sound the
// state holds, or the edited-sound entry for any other sound.
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace fennrow::test {
namespace {

using namespace ::vst3;

constexpr ParamID kWeight = 1;
constexpr ParamID kDrive = 2;
constexpr ParamID kTone = 3;

tresult load(Vst3Instance& plugin, const std::string& state) {
    MemoryStream stream(state);
    return plugin.loadState(stream);
}

struct ChoiceCase {
    const char* name;
    std::function<void(Vst3Instance&, const Vst3Module&)> steps;
    ParamID checked;
    double expected;
    const char* program;
};

std::string stateOf(const Vst3Module& module, const std::function<void(Vst3Instance&)>& make) {
    Vst3Instance source(module);
    make(source);
    return source.saveState();
}

TEST(Vst3ProgramChoice, EveryChoiceLoadsAndTheMenuNamesWhatIsLoaded) {
    Vst3Module module;
    const ChoiceCase cases[] = {
        {"Init again on a fresh instance after an edit",
         [](Vst3Instance& p, const Vst3Module&) {
             p.setValue(kWeight, 0.05);
             ASSERT_EQ(p.chooseProgram("Init"), kResultOk);
         },
         kWeight, 0.6, "Init"},
        {"a saved Growl shows Growl, then Init loads",
         [](Vst3Instance& p, const Vst3Module& m) {
             ASSERT_EQ(load(p, stateOf(m, [](Vst3Instance& s) { s.chooseProgram("Growl"); })), kResultOk);
             EXPECT_EQ(p.shownProgram(), "Growl");
             EXPECT_DOUBLE_EQ(p.value(kDrive), 1.0);
             ASSERT_EQ(p.chooseProgram("Init"), kResultOk);
         },
         kDrive, 0.65, "Init"},
        {"the program shown, chosen again after an edit",
         [](Vst3Instance& p, const Vst3Module&) {
             ASSERT_EQ(p.chooseProgram("Pumping Sub"), kResultOk);
             p.setValue(kTone, 0.9);
             ASSERT_EQ(p.chooseProgram("Pumping Sub"), kResultOk);
         },
         kTone, 0.3, "Pumping Sub"},
        {"an edited state shows (edited), and choosing it keeps the sound",
         [](Vst3Instance& p, const Vst3Module& m) {
             p.chooseProgram("Deep Sub");
             ASSERT_EQ(load(p, stateOf(m,
                                       [](Vst3Instance& s) {
                                           s.chooseProgram("Growl");
                                           s.setValue(kTone, 0.123);
                                       })),
                       kResultOk);
             EXPECT_EQ(p.shownProgram(), "(edited)");
             ASSERT_EQ(p.setValue(kProgramParamId, p.value(kProgramParamId)), kResultOk);
         },
         kTone, 0.123, "(edited)"},
        {"a fresh instance's state shows Init",
         [](Vst3Instance& p, const Vst3Module& m) {
             p.chooseProgram("Neuro");
             ASSERT_EQ(load(p, stateOf(m, [](Vst3Instance&) {})), kResultOk);
         },
         kDrive, 0.65, "Init"},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        Vst3Instance plugin(module);
        ASSERT_TRUE(plugin.valid());
        c.steps(plugin, module);
        EXPECT_NEAR(plugin.value(c.checked), c.expected, 1e-6);
        EXPECT_EQ(plugin.shownProgram(), c.program);
    }
}

} // namespace
} // namespace fennrow::test
