// The component state is the CLAP plugin's own state, byte for byte, in both
// directions; awkward streams and a missing component handler change nothing.
#include "support/built_module.h"
#include "support/event_list.h"
#include "support/fake_host.h"
#include "support/streams.h"
#include "support/vst3_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace fennrow::test {
namespace {

using namespace ::vst3;

struct ClapInstance : BuiltPlugin {
    std::string save() const {
        OutputStream stream;
        return state->save(plugin, stream.clap()) ? stream.bytes : std::string();
    }
    bool load(const std::string& bytes) const {
        InputStream stream(bytes);
        return state->load(plugin, stream.clap());
    }
    void set(clap_id id, double plain) const {
        InputEvents events;
        events.param(0, id, plain);
        OutputEvents out;
        params->flush(plugin, events.clap(), out.clap());
    }
};

// Tone to 0.2, Arc bars to 3 (normalised 2/15), Spread to 0.75.
void editThroughVst3(Vst3Instance& plugin) {
    plugin.setValue(3, 0.2);
    plugin.setValue(12, 2.0 / 15.0);
    plugin.setValue(10, 0.75);
}
void editThroughClap(const ClapInstance& clap) {
    clap.set(3, 0.2);
    clap.set(12, 3.0);
    clap.set(10, 0.75);
}

TEST(Vst3State, IsTheClapStateBothWays) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    ClapInstance clap;
    EXPECT_EQ(plugin.saveState(), clap.save()) << "a fresh instance";

    editThroughVst3(plugin);
    editThroughClap(clap);
    const std::string saved = plugin.saveState();
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved, clap.save()) << "the host's edits reached the plugin";
    EXPECT_EQ(plugin.saveState(), saved) << "saving twice";

    // A state saved through VST 3 loads through CLAP, and the reverse.
    ClapInstance other;
    ASSERT_TRUE(other.load(saved));
    EXPECT_EQ(other.save(), saved);
    Vst3Instance fresh(module);
    ComponentHandler handler;
    fresh.controllerVtbl().setComponentHandler(fresh.controller, handler.handler());
    MemoryStream stream(clap.save());
    ASSERT_EQ(fresh.loadState(stream), kResultOk);
    EXPECT_EQ(fresh.saveState(), saved);
    EXPECT_NEAR(fresh.value(3), 0.2, 1e-7);
    EXPECT_NEAR(fresh.value(12), 2.0 / 15.0, 1e-7);
    EXPECT_TRUE(handler.restarts.empty()) << "nothing called back from inside the host's setState";
    EXPECT_EQ(fresh.controllerVtbl().setComponentState(fresh.controller, stream.stream()), kResultOk);
    EXPECT_NEAR(fresh.value(10), 0.75, 1e-7);
    fresh.controllerVtbl().setComponentHandler(fresh.controller, nullptr);
}

struct StreamCase {
    const char* name;
    std::function<void(MemoryStream&)> shape;
    bool loads;
};

TEST(Vst3State, StreamsOfEveryShape) {
    Vst3Module module;
    Vst3Instance source(module);
    ASSERT_TRUE(source.valid());
    editThroughVst3(source);
    const std::string saved = source.saveState();
    const StreamCase cases[] = {
        {"one byte at a time", [](MemoryStream& s) { s.maxChunk = 1; }, true},
        {"false with the last bytes", [](MemoryStream& s) { s.falseAtEnd = true; }, true},
        {"failing part-way", [](MemoryStream& s) { s.failAfterCalls = 2, s.maxChunk = 100; }, false},
        {"failing at once", [](MemoryStream& s) { s.failAfterCalls = 0; }, false},
        {"empty", [](MemoryStream& s) { s.bytes.clear(); }, false},
        {"short", [](MemoryStream& s) { s.bytes.resize(s.bytes.size() / 2); }, false},
        {"garbage", [](MemoryStream& s) { s.bytes = "\x01\x02garbage{"; }, false},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Loading into an instance without a component handler, as hosts do
        // while they restore a session.
        Vst3Instance target(module);
        target.setValue(1, 0.25);
        const std::string before = target.saveState();
        MemoryStream stream(saved);
        c.shape(stream);
        const tresult result = target.loadState(stream);
        if (c.loads) {
            EXPECT_EQ(result, kResultOk);
            EXPECT_EQ(target.saveState(), saved);
        } else {
            EXPECT_EQ(result, kResultFalse);
            EXPECT_EQ(target.saveState(), before);
            EXPECT_DOUBLE_EQ(target.value(1), 0.25);
        }
    }
}

TEST(Vst3State, SaveIntoAFailingStream) {
    Vst3Module module;
    Vst3Instance plugin(module);
    ASSERT_TRUE(plugin.valid());
    MemoryStream stream;
    stream.failAfterCalls = 0;
    EXPECT_EQ(plugin.componentVtbl().getState(plugin.component, stream.stream()), kResultFalse);
    MemoryStream small;
    small.maxChunk = 7;
    ASSERT_EQ(plugin.componentVtbl().getState(plugin.component, small.stream()), kResultOk);
    EXPECT_EQ(small.bytes, plugin.saveState());
}

} // namespace
} // namespace fennrow::test
