#include "plugin/session_extension.h"
#include "plugin_calls.h"
#include "presets/sound_writer.h"
#include "presets/state_extension.h"
#include "support/streams.h"

#include <gtest/gtest.h>

namespace fennrow::test {
namespace {

using test::InputStream;
using test::loadState;
using test::OutputStream;
using test::paramValues;
using test::saveState;
using test::TestPlugin;

const std::string kOtherPlugin = R"({"kind":"instance","plugin":"other","params":{"weight":0.1}})";
const std::string kHeavy = R"({"kind":"instance","spec":"1.0","plugin":"fennrow","meta":{"name":"Heavy"},)"
                           R"("params":{"weight":1,"tone":0.250}})";

// Loads from the stream and returns what the load printed.
std::string loadPrinting(const TestPlugin& plugin, const InputStream& in, bool& result) {
    ::testing::internal::CaptureStderr();
    result = presets::kStateExtension.load(plugin.plugin, in.clap());
    return ::testing::internal::GetCapturedStderr();
}

TEST(StateExtension, AFreshInstanceSavesTheDefaultDocument) {
    TestPlugin plugin;
    plugin.host.calls.clear();
    const std::string saved = saveState(plugin);
    EXPECT_EQ(saved, presets::writeSoundDocument(document::InstanceDocument{}, engine::defaultSoundSnapshot(),
                                                 std::nullopt));
    EXPECT_EQ(saveState(plugin), saved);
    EXPECT_TRUE(plugin.host.calls.empty());
}

TEST(StateExtension, LoadThenSaveGivesBackTheSameBytes) {
    TestPlugin first;
    ASSERT_TRUE(loadState(first, kHeavy));
    const std::string saved = saveState(first);
    EXPECT_NE(saved.find(R"("meta":{"name":"Heavy"},"params":{"weight":1,"tone":0.250,)"), std::string::npos);
    EXPECT_EQ(paramValues(first)[0], 1.0);
    EXPECT_EQ(paramValues(first)[2], 0.25);

    TestPlugin second;
    ASSERT_TRUE(loadState(second, saved));
    EXPECT_EQ(saveState(second), saved);
    EXPECT_EQ(paramValues(second), paramValues(first));
}

TEST(StateExtension, SaveWritesThroughShortWritesAndStopsOnAFailingOne) {
    TestPlugin plugin;
    const std::string whole = saveState(plugin);

    OutputStream trickle;
    trickle.maxChunk = 7;
    EXPECT_TRUE(presets::kStateExtension.save(plugin.plugin, trickle.clap()));
    EXPECT_EQ(trickle.bytes, whole);

    OutputStream failing;
    failing.maxChunk = 50;
    failing.failAfterWrites = 2;
    EXPECT_FALSE(presets::kStateExtension.save(plugin.plugin, failing.clap()));
    EXPECT_EQ(failing.bytes, whole.substr(0, 100));

    OutputStream refusing;
    refusing.acceptNothing = true;
    EXPECT_FALSE(presets::kStateExtension.save(plugin.plugin, refusing.clap()));
    EXPECT_EQ(refusing.writes, 1);
}

TEST(StateExtension, ReadsTheStreamInChunksAndTreatsAnErrorAsItsEnd) {
    TestPlugin plugin;
    InputStream chunks(kHeavy + std::string(5000, ' '));
    chunks.maxChunk = 333;
    bool ok = false;
    EXPECT_EQ(loadPrinting(plugin, chunks, ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(paramValues(plugin)[0], 1.0);

    // The bytes before the error are a complete document, and they are used.
    TestPlugin other;
    InputStream broken(kHeavy + "garbage that never arrives");
    broken.maxChunk = kHeavy.size();
    broken.failAfterReads = 1;
    EXPECT_EQ(loadPrinting(other, broken, ok), "");
    EXPECT_TRUE(ok);
}

TEST(StateExtension, PrintsEveryFindingOfALoad) {
    const struct {
        std::string bytes;
        int failAfterReads;
        bool loads;
        std::string printed;
    } cases[] = {
        {R"({"kind":"instance","plugin":"fennrow"})", -1, true,
         "fennrow state: spec-missing /spec No spec version, read as 1.0\n"},
        {"", -1, false, "fennrow state: package-unreadable  Neither a JSON document nor a zip archive\n"},
        {kHeavy, 0, false, "fennrow state: package-unreadable  Neither a JSON document nor a zip archive\n"},
        {kOtherPlugin, -1, false,
         "fennrow state: spec-missing /spec No spec version, read as 1.0\n"
         "fennrow state: wrong-plugin /plugin An instance of other, not fennrow\n"},
        {R"({"kind":"instance","spec":"1.0","plugin":"fennrow","state":{"motion":[1]}})", -1, true,
         "fennrow state: curve-length /state/motion A curve is 64 numbers; left at its default\n"},
    };
    for (const auto& c : cases) {
        TestPlugin plugin;
        InputStream in(c.bytes);
        in.failAfterReads = c.failAfterReads;
        bool ok = !c.loads;
        EXPECT_EQ(loadPrinting(plugin, in, ok), c.printed);
        EXPECT_EQ(ok, c.loads) << c.printed;
    }
}

TEST(StateExtension, AFailedLoadChangesNothing) {
    TestPlugin plugin;
    ASSERT_TRUE(loadState(plugin, kHeavy));
    const std::string before = saveState(plugin);
    const std::vector<double> values = paramValues(plugin);
    for (const std::string& bad : {kOtherPlugin, std::string("{"), std::string(R"({"kind":"clip"})")}) {
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(loadState(plugin, bad));
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(saveState(plugin), before) << bad;
        EXPECT_EQ(paramValues(plugin), values) << bad;
    }
}

TEST(StateExtension, ASuccessfulLoadAsksTheHostToRereadTheValues) {
    using Calls = std::vector<std::string>;
    const struct {
        bool offerParams;
        std::string bytes;
        Calls calls;
        double weightAtRescan; // -1: no rescan
    } cases[] = {
        {true, kHeavy, {"params.rescan 1"}, 1.0},
        {false, kHeavy, {}, -1.0},
        {true, kOtherPlugin, {}, -1.0},
        {true, "", {}, -1.0},
    };
    for (const auto& c : cases) {
        TestPlugin plugin(TestPlugin::Init::No);
        plugin.host.offerParams = c.offerParams;
        ASSERT_TRUE(plugin.plugin->init(plugin.plugin));
        plugin.host.calls.clear();
        double weightSeen = -1.0;
        plugin.host.onRescan = [&] { weightSeen = paramValues(plugin)[0]; };
        ::testing::internal::CaptureStderr();
        loadState(plugin, c.bytes);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(plugin.host.calls, c.calls) << c.bytes;
        // The host re-reads after the new values are in place.
        EXPECT_EQ(weightSeen, c.weightAtRescan) << c.bytes;
    }
}

TEST(StateExtension, ADocumentWithoutPluginIsClaimedOnSave) {
    TestPlugin plugin;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(loadState(plugin, R"({"kind":"instance","spec":"1.0","hints":{"h":1}})"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "fennrow state: instance-without-plugin /plugin An instance names its plugin\n");
    const std::string saved = saveState(plugin);
    EXPECT_EQ(saved.rfind(R"({"kind":"instance","spec":"1.0","plugin":"fennrow",)", 0), 0u);
    EXPECT_NE(saved.find(R"("hints":{"h":1})"), std::string::npos);
}

TEST(StateExtension, TheSessionValueBecomesTheSeed) {
    TestPlugin plugin;
    const plugin::SessionInfo info{plugin::kSessionInfoMinimumSize, 0, 0xfeedull, 1, 0, nullptr, 0};
    ASSERT_TRUE(plugin::kSessionExtension.set(plugin.plugin, &info));
    EXPECT_NE(saveState(plugin).find(R"("scope":"complete","seed":"000000000000feed","params")"),
              std::string::npos);
}

} // namespace
} // namespace fennrow::test
