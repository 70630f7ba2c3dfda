#include "discovery_fakes.h"
#include "plugin_calls.h"
#include "stored_zip.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fennrow::test {
namespace {

using test::loadPreset;
using test::loadState;
using test::paramValues;
using test::PresetLoadOffer;
using test::saveState;
using test::ScratchFolder;
using test::shownLatin1;
using test::TestPlugin;
using Calls = std::vector<std::string>;

constexpr std::uint32_t kFile = CLAP_PRESET_DISCOVERY_LOCATION_FILE;
constexpr std::uint32_t kFactory = CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN;

const std::string kFilePreset =
    R"({"kind":"instance","spec":"1.0","plugin":"fennrow","meta":{"name":"Loaded"},)"
    R"("params":{"weight":0.125,"odd":[1]}})";

TEST(PresetLoad, FactorySoundsLoadByExactNameAndStartANewDocument) {
    ScratchFolder folder;
    const std::string file = folder.write("Loaded.json", kFilePreset);
    TestPlugin plugin;
    ASSERT_TRUE(loadPreset(plugin, kFile, file.c_str(), nullptr));
    ASSERT_NE(saveState(plugin).find("Loaded"), std::string::npos);
    plugin.host.calls.clear();

    EXPECT_TRUE(loadPreset(plugin, kFactory, nullptr, "Deep Sub"));
    EXPECT_EQ(plugin.host.calls,
              (Calls{"params.rescan 1", "state.mark_dirty", "preset_load.loaded 1 (null) Deep Sub"}));
    EXPECT_EQ(paramValues(plugin)[0], 1.0);
    EXPECT_EQ(paramValues(plugin)[1], static_cast<double>(0.38f));

    EXPECT_TRUE(loadPreset(plugin, kFactory, "ignored", "Init"));
    TestPlugin fresh;
    EXPECT_EQ(saveState(plugin), saveState(fresh)); // the loaded file's document is gone
}

TEST(PresetLoad, ReportsEachRefusalOnceWithItsMessage) {
    ScratchFolder folder;
    const std::string other = folder.write("Other.json", R"({"kind":"instance","plugin":"other"})");
    const std::string empty = folder.write("Empty.json", "");
    const std::string text = folder.write("Text.json", "not json");
    const std::string broken = folder.write("Broken.json", "{\"kind\":\"instance\",}");
    const std::string clip = folder.write("Clip.json", R"({"kind":"clip"})");
    const std::string latin1 = folder.write("caf\xE9.json", kFilePreset);
    const std::string latin1Shown = shownLatin1(latin1);
    const std::string huge = folder.write("Huge.json", "");
    std::filesystem::resize_file(huge, std::uint64_t{3} << 30);
    const std::string missing = (folder.path / "Missing.json").string();
    const std::string dir = folder.path.string();
    const std::string noZipDocument = folder.write("NoDoc.zip", test::storedZip({{"clip.json", "{}"}}));

    const struct {
        std::uint32_t kind;
        const char* location;
        const char* key;
        std::string message;
    } cases[] = {
        {kFactory, nullptr, "init", "Fennrow has no factory sound init"},
        {kFactory, nullptr, "Deep Sub ", "Fennrow has no factory sound Deep Sub "},
        {kFactory, nullptr, nullptr, "Fennrow has no factory sound "},
        {kFile, missing.c_str(), nullptr, missing + " cannot be opened"},
        {kFile, dir.c_str(), nullptr, dir + " cannot be opened"},
        {kFile, latin1.c_str(), nullptr, latin1Shown + " cannot be opened"},
        {kFile, huge.c_str(), nullptr, huge + " is too large"},
        {kFile, empty.c_str(), nullptr, empty + ": Neither a JSON document nor a zip archive"},
        {kFile, text.c_str(), nullptr, text + ": Neither a JSON document nor a zip archive"},
        {kFile, broken.c_str(), nullptr, broken + ": The document is not valid JSON: expected key"},
        {kFile, other.c_str(), "key", other + ": An instance of other, not fennrow"},
        {kFile, clip.c_str(), nullptr, clip + ": Expected kind \"instance\", found \"clip\""},
        {kFile, noZipDocument.c_str(), nullptr, noZipDocument + ": The archive has no instance.json"},
        {kFile, nullptr, nullptr, "Fennrow loads presets from files and from its own factory set"},
        {2, "anything", "Init", "Fennrow loads presets from files and from its own factory set"},
    };
    TestPlugin plugin;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(loadState(plugin, kFilePreset));
    ::testing::internal::GetCapturedStderr();
    const std::string before = saveState(plugin);
    const std::vector<double> values = paramValues(plugin);
    for (const auto& c : cases) {
        plugin.host.calls.clear();
        EXPECT_FALSE(loadPreset(plugin, c.kind, c.location, c.key)) << c.message;
        const std::string echoed = std::to_string(c.kind) + " " + (c.location ? c.location : "(null)") + " " +
                                   (c.key ? c.key : "(null)");
        EXPECT_EQ(plugin.host.calls, Calls{"preset_load.on_error " + echoed + " 0 " + c.message});
        EXPECT_EQ(saveState(plugin), before) << c.message;
        EXPECT_EQ(paramValues(plugin), values) << c.message;
    }
}

TEST(PresetLoad, AFileWithWarningsOrACorruptAssetStillLoadsQuietly) {
    ScratchFolder folder;
    const std::string plain = folder.write("Loaded.json", kFilePreset);
    const std::string zip = folder.write(
        "Packed.zip",
        test::storedZip({{"instance.json", kFilePreset}, {"assets/" + std::string(64, '0'), "x"}}));
    for (const std::string& file : {plain, zip}) {
        TestPlugin plugin;
        plugin.host.calls.clear();
        EXPECT_TRUE(loadPreset(plugin, kFile, file.c_str(), nullptr)) << file;
        EXPECT_EQ(plugin.host.calls,
                  (Calls{"params.rescan 1", "state.mark_dirty", "preset_load.loaded 0 " + file + " (null)"}));
        EXPECT_EQ(paramValues(plugin)[0], 0.125);
        EXPECT_NE(saveState(plugin).find(R"("meta":{"name":"Loaded"},"params":{"weight":0.125,"odd":[1],)"),
                  std::string::npos);
    }
}

TEST(PresetLoad, WithoutAHostExtensionMessagesGoToStandardError) {
    TestPlugin plugin(TestPlugin::Init::No);
    plugin.host.offerPresetLoad = PresetLoadOffer::None;
    plugin.plugin->init(plugin.plugin);
    plugin.host.calls.clear();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(loadPreset(plugin, kFactory, nullptr, "init"));
    EXPECT_FALSE(loadPreset(plugin, 7, nullptr, nullptr));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "fennrow preset: Fennrow has no factory sound init\n"
              "fennrow preset: Fennrow loads presets from files and from its own factory set\n");
    EXPECT_TRUE(loadPreset(plugin, kFactory, nullptr, "Growl"));
    EXPECT_EQ(plugin.host.calls, (Calls{"params.rescan 1", "state.mark_dirty"}));
}

} // namespace
} // namespace fennrow::test
