// Some Windows hosts hand the plugin the folder paths the system gave them,
// in its ANSI code page, instead of UTF-8. Such a location still loads and
// lists its preset, named in UTF-8, and goes back to the host as it came; a
// location that is UTF-8 keeps meaning what it says.
#if defined(_WIN32)

#include "discovery_fakes.h"
#include "plugin_calls.h"
#include "presets/preset_discovery_factory.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace fennrow::test {
namespace {

using test::FakeIndexer;
using test::FakeReceiver;
using test::loadPreset;
using test::ScratchFolder;
using test::TestPlugin;
using Calls = std::vector<std::string>;

constexpr std::uint32_t kFile = CLAP_PRESET_DISCOVERY_LOCATION_FILE;

// The location as a code-page host would send it; nothing if the code page
// has no such letters.
std::optional<std::string> inCodePage(const std::string& utf8) {
    const std::wstring wide = test::pathFromUtf8(utf8).wstring();
    BOOL lossy = FALSE;
    const int size =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lossy);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, bytes.data(), size, nullptr,
                          &lossy);
    if (size <= 0 || lossy) {
        return std::nullopt;
    }
    bytes.pop_back(); // the NUL
    return bytes;
}

Calls describe(const std::string& location) {
    FakeIndexer indexer;
    const clap_preset_discovery_provider_t* provider = presets::kPresetDiscoveryFactory.create(
        &presets::kPresetDiscoveryFactory, &indexer.record, "com.brightmoss.fennrow.presets");
    FakeReceiver receiver;
    provider->get_metadata(provider, kFile, location.c_str(), &receiver.record);
    provider->destroy(provider);
    return receiver.calls;
}

TEST(CodePageLocations, ALatin1LocationLoadsAndIsListedUnderItsUtf8Name) {
    // The Wine prefix of the tests runs in code page 1252, as Windows does
    // for Western European languages; there ë and ä are single bytes.
    ASSERT_EQ(::GetACP(), 1252u);
    ScratchFolder folder;
    const std::string file = folder.write("Zo\xC3\xAB\\B\xC3\xA4sse.json",
                                          R"({"kind":"instance","plugin":"fennrow","params":{"tone":0.25}})");
    const std::optional<std::string> sent = inCodePage(file);
    ASSERT_TRUE(sent.has_value());
    ASSERT_NE(sent->find("Zo\xEB\\B\xE4sse.json"), std::string::npos);

    const Calls calls = describe(*sent);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "begin B\xC3\xA4sse|(null)");

    TestPlugin plugin;
    ASSERT_TRUE(loadPreset(plugin, kFile, sent->c_str(), nullptr));
    EXPECT_EQ(test::paramValues(plugin)[2], 0.25);
    ASSERT_EQ(plugin.host.presetsLoaded.size(), 1u);
    EXPECT_EQ(plugin.host.presetsLoaded[0].location, *sent);

    // A missing file is named in UTF-8 in the message, and its location goes
    // back to the host as it was sent.
    const std::string missing = sent->substr(0, sent->size() - 5) + "x.json";
    EXPECT_FALSE(loadPreset(plugin, kFile, missing.c_str(), nullptr));
    ASSERT_EQ(plugin.host.presetErrors.size(), 1u);
    EXPECT_EQ(plugin.host.presetErrors[0].location, missing);
    EXPECT_NE(plugin.host.presetErrors[0].message.find("Zo\xC3\xAB\\B\xC3\xA4ssex.json cannot be opened"),
              std::string::npos)
        << plugin.host.presetErrors[0].message;
    const Calls described = describe(missing);
    ASSERT_EQ(described.size(), 1u);
    EXPECT_NE(described[0].find("Zo\xC3\xAB\\B\xC3\xA4ssex.json cannot be opened"), std::string::npos)
        << described[0];
}

TEST(CodePageLocations, AUtf8LocationKeepsItsMeaning) {
    // The two bytes C3 BC are "ü" in UTF-8 and "Ã¼" in code page 1252: the
    // location means the first, even when a file of the second name exists.
    ScratchFolder folder;
    const std::string utf8Named = folder.write("\xC3\xBC.json", R"({"kind":"instance","plugin":"fennrow"})");
    folder.write("\xC3\x83\xC2\xBC.json", R"({"kind":"instance","plugin":"other"})");
    const Calls calls = describe(utf8Named);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "begin \xC3\xBC|(null)");
}

} // namespace
} // namespace fennrow::test

#endif
