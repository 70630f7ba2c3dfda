#include "fake_plugin_host.h"
#include "plugin/session_extension.h"
#include "presets/state_extension.h"
#include "presets/sound_writer.h"

#include <gtest/gtest.h>

namespace fennrow {
namespace {

using testing::MemoryInput;
using testing::MemoryOutput;
using testing::RecordingHost;
using testing::ScopedPlugin;

const std::string kOtherPlugin = R"({"kind":"instance","plugin":"other","params":{"weight":0.1}})";
const std::string kHeavy = R"({"kind":"instance","spec":"1.0","plugin":"fennrow","meta":{"name":"Heavy"},)"
                           R"("params":{"weight":1,"tone":0.250}})";

std::string loadPrinting(const ScopedPlugin& plugin, MemoryInput& in, bool& result) {
    ::testing::internal::CaptureStderr();
    result = kStateExtension.load(plugin.plugin, &in.record);
    return ::testing::internal::GetCapturedStderr();
}

TEST(StateExtension, AFreshInstanceSavesTheDefaultDocument) {
    RecordingHost host;
    ScopedPlugin plugin(host);
    const std::string saved = plugin.save();
    EXPECT_EQ(saved, writeSoundDocument(InstanceDocument{}, defaultSoundSnapshot(), std::nullopt));
    EXPECT_EQ(plugin.save(), saved);
    EXPECT_TRUE(host.calls.empty());
}

TEST(StateExtension, LoadThenSaveGivesBackTheSameBytes) {
    RecordingHost host;
    ScopedPlugin first(host);
    ASSERT_TRUE(first.load(kHeavy));
    const std::string saved = first.save();
    EXPECT_NE(saved.find(R"("meta":{"name":"Heavy"},"params":{"weight":1,"tone":0.250,)"), std::string::npos);
    EXPECT_EQ(first.paramValues()[0], 1.0);
    EXPECT_EQ(first.paramValues()[2], 0.25);

    ScopedPlugin second(host);
    ASSERT_TRUE(second.load(saved));
    EXPECT_EQ(second.save(), saved);
    EXPECT_EQ(second.paramValues(), first.paramValues());
}

TEST(StateExtension, SaveWritesThroughShortWritesAndStopsOnAFailingOne) {
    RecordingHost host;
    ScopedPlugin plugin(host);
    const std::string whole = plugin.save();

    MemoryOutput trickle(7);
    EXPECT_TRUE(kStateExtension.save(plugin.plugin, &trickle.record));
    EXPECT_EQ(trickle.bytes, whole);

    for (std::int64_t failure : {0, -1}) {
        MemoryOutput failing(SIZE_MAX, 100, failure);
        EXPECT_FALSE(kStateExtension.save(plugin.plugin, &failing.record));
        EXPECT_EQ(failing.bytes, whole.substr(0, 100));
    }
}

TEST(StateExtension, ReadsTheStreamInChunksAndTreatsAnErrorAsItsEnd) {
    RecordingHost host;
    ScopedPlugin plugin(host);
    const std::string padded = kHeavy + std::string(5000, ' ');
    MemoryInput chunks(padded, 333);
    bool ok = false;
    EXPECT_EQ(loadPrinting(plugin, chunks, ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(plugin.paramValues()[0], 1.0);

    // The bytes before the error are a complete document.
    ScopedPlugin other(host);
    MemoryInput broken(padded, 64, kHeavy.size());
    EXPECT_EQ(loadPrinting(other, broken, ok), "");
    EXPECT_TRUE(ok);
}

TEST(StateExtension, PrintsEveryFindingOfALoad) {
    const struct {
        std::string bytes;
        std::size_t failAfter;
        bool loads;
        std::string printed;
    } cases[] = {
        {R"({"kind":"instance","plugin":"fennrow"})", SIZE_MAX, true,
         "fennrow state: spec-missing /spec No spec version, read as 1.0\n"},
        {"", SIZE_MAX, false, "fennrow state: package-unreadable  Neither a JSON document nor a zip archive\n"},
        {kHeavy, 0, false, "fennrow state: package-unreadable  Neither a JSON document nor a zip archive\n"},
        {kOtherPlugin, SIZE_MAX, false,
         "fennrow state: spec-missing /spec No spec version, read as 1.0\n"
         "fennrow state: wrong-plugin /plugin An instance of other, not fennrow\n"},
        {R"({"kind":"instance","spec":"1.0","plugin":"fennrow","state":{"motion":[1]}})", SIZE_MAX, true,
         "fennrow state: curve-length /state/motion A curve is 64 numbers; left at its default\n"},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        ScopedPlugin plugin(host);
        MemoryInput in(c.bytes, SIZE_MAX, c.failAfter);
        bool ok = !c.loads;
        EXPECT_EQ(loadPrinting(plugin, in, ok), c.printed);
        EXPECT_EQ(ok, c.loads) << c.printed;
    }
}

TEST(StateExtension, AFailedLoadChangesNothing) {
    RecordingHost host;
    ScopedPlugin plugin(host);
    ASSERT_TRUE(plugin.load(kHeavy));
    const std::string before = plugin.save();
    const std::vector<double> values = plugin.paramValues();
    for (const std::string& bad : {kOtherPlugin, std::string("{"), std::string(R"({"kind":"clip"})")}) {
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(plugin.load(bad));
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(plugin.save(), before) << bad;
        EXPECT_EQ(plugin.paramValues(), values) << bad;
    }
}

TEST(StateExtension, ADocumentWithoutPluginIsClaimedOnSave) {
    RecordingHost host;
    ScopedPlugin plugin(host);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(plugin.load(R"({"kind":"instance","spec":"1.0","hints":{"h":1}})"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "fennrow state: instance-without-plugin /plugin An instance names its plugin\n");
    const std::string saved = plugin.save();
    EXPECT_EQ(saved.rfind(R"({"kind":"instance","spec":"1.0","plugin":"fennrow",)", 0), 0u);
    EXPECT_NE(saved.find(R"("hints":{"h":1})"), std::string::npos);
}

TEST(StateExtension, TheSessionValueBecomesTheSeed) {
    RecordingHost host;
    ScopedPlugin plugin(host);
    const SessionInfo info{kSessionInfoMinimumSize, 0, 0xfeedull, 1, 0, nullptr, 0};
    ASSERT_TRUE(kSessionExtension.set(plugin.plugin, &info));
    EXPECT_NE(plugin.save().find(R"("scope":"complete","seed":"000000000000feed","params")"), std::string::npos);
}

} // namespace
} // namespace fennrow
