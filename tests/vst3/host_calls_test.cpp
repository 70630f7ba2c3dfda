// A host may hold its own locks while it calls the plugin, and take the same
// locks again in its callbacks: a load inside setState, setComponentState or a
// program choice must not call the host back. The controller shows the loaded
// values at once, and the next process call reports them to the host.
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace fennrow::test {
namespace {

using namespace ::vst3;

constexpr ParamID kDrive = 2;
constexpr double kGrowlDrive = 1.0;

std::string growlState(const Vst3Module& module) {
    Vst3Instance source(module);
    return source.chooseProgram("Growl") == kResultOk ? source.saveState() : std::string();
}

struct LoadCase {
    const char* name;
    std::function<tresult(Vst3Instance&, const std::string& growl)> load;
};

TEST(Vst3HostCalls, LoadsCallNothingBackAndTheNextBlockReportsTheValues) {
    Vst3Module module;
    const std::string growl = growlState(module);
    ASSERT_FALSE(growl.empty());
    const LoadCase cases[] = {
        {"setState",
         [](Vst3Instance& plugin, const std::string& state) {
             MemoryStream stream(state);
             return plugin.loadState(stream);
         }},
        {"program choice",
         [](Vst3Instance& plugin, const std::string&) { return plugin.chooseProgram("Growl"); }},
        {"setState then setComponentState",
         [](Vst3Instance& plugin, const std::string& state) {
             MemoryStream stream(state);
             if (plugin.loadState(stream) != kResultOk) return kResultFalse;
             MemoryStream again(state);
             return plugin.controllerVtbl().setComponentState(plugin.controller, again.stream());
         }},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        Vst3Instance plugin(module);
        ASSERT_TRUE(plugin.start());
        ComponentHandler handler;
        plugin.controllerVtbl().setComponentHandler(plugin.controller, handler.handler());
        Vst3Block block(64);
        ASSERT_EQ(plugin.process(block.data(nullptr, nullptr)), kResultOk);

        ASSERT_EQ(c.load(plugin, growl), kResultOk);
        EXPECT_TRUE(handler.restarts.empty());
        EXPECT_EQ(handler.edits, 0);
        EXPECT_DOUBLE_EQ(plugin.value(kDrive), kGrowlDrive) << "a host reading values after its call";

        ParameterChanges reported;
        block.process.outputParameterChanges = reported.changes();
        ASSERT_EQ(plugin.process(block.data()), kResultOk);
        EXPECT_EQ(reported.queueCount(), 23u);
        const auto drive = reported.pointsOf(kDrive);
        ASSERT_EQ(drive.size(), 1u);
        EXPECT_EQ(drive[0].first, 0);
        EXPECT_DOUBLE_EQ(drive[0].second, kGrowlDrive);
        EXPECT_TRUE(reported.pointsOf(kProgramParamId).empty())
            << "a host passing outputs back to the controller would choose the program again";

        ParameterChanges later;
        block.process.outputParameterChanges = later.changes();
        ASSERT_EQ(plugin.process(block.data()), kResultOk);
        EXPECT_EQ(later.queueCount(), 0u) << "reported once";
        EXPECT_TRUE(handler.restarts.empty());
        plugin.controllerVtbl().setComponentHandler(plugin.controller, nullptr);
    }
}

} // namespace
} // namespace fennrow::test
