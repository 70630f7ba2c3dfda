#include "discovery_fakes.h"
#include "plugin_calls.h"
#include "presets/preset_discovery_factory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fennrow::test {
namespace {

using test::FakeIndexer;
using test::FakeReceiver;
using test::ScopedAppData;
using test::ScratchFolder;
using test::shownLatin1;
using Calls = std::vector<std::string>;

const std::string kFileType = "filetype Tamber preset|A fennrow sound as a Tamber instance document|json";
const std::string kFactoryLocation = "location 1|Fennrow|1|(null)";

struct ProviderDeleter {
    void operator()(const clap_preset_discovery_provider_t* provider) const { provider->destroy(provider); }
};
using ProviderPtr = std::unique_ptr<const clap_preset_discovery_provider_t, ProviderDeleter>;

ProviderPtr createProvider(FakeIndexer& indexer, const char* id = "com.brightmoss.fennrow.presets") {
    return ProviderPtr(
        presets::kPresetDiscoveryFactory.create(&presets::kPresetDiscoveryFactory, &indexer.record, id));
}

Calls metadataFor(uint32_t kind, const char* location, FakeReceiver& receiver, bool* result = nullptr) {
    FakeIndexer indexer;
    ProviderPtr provider = createProvider(indexer);
    const bool ok = provider->get_metadata(provider.get(), kind, location, &receiver.record);
    if (result != nullptr) {
        *result = ok;
    }
    return receiver.calls;
}

TEST(PresetDiscoveryFactory, OffersOneProviderUnderItsExactId) {
    EXPECT_EQ(presets::kPresetDiscoveryFactory.count(&presets::kPresetDiscoveryFactory), 1u);
    const auto* descriptor =
        presets::kPresetDiscoveryFactory.get_descriptor(&presets::kPresetDiscoveryFactory, 0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->id, "com.brightmoss.fennrow.presets");
    EXPECT_STREQ(descriptor->name, "Fennrow presets");
    EXPECT_STREQ(descriptor->vendor, "Brightmoss");
    EXPECT_EQ(descriptor->clap_version.major, 1u);
    EXPECT_EQ(descriptor->clap_version.minor, 2u);
    EXPECT_EQ(descriptor->clap_version.revision, 10u);
    EXPECT_EQ(presets::kPresetDiscoveryFactory.get_descriptor(&presets::kPresetDiscoveryFactory, 1), nullptr);

    FakeIndexer indexer;
    for (const char* wrong : {"com.brightmoss.fennrow.preset", "com.brightmoss.fennrow.presets ",
                              "COM.BRIGHTMOSS.FENNROW.PRESETS", ""}) {
        EXPECT_EQ(createProvider(indexer, wrong), nullptr) << wrong;
    }
    EXPECT_EQ(createProvider(indexer, nullptr), nullptr);
    ProviderPtr provider = createProvider(indexer);
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->desc, descriptor);
    EXPECT_EQ(provider->get_extension(provider.get(), "clap.preset-discovery-factory/2"), nullptr);
}

TEST(PresetDiscoveryInit, DeclaresLocationsFromAppData) {
    ScratchFolder appData;
    const std::string user = (appData.path / "Tamber" / "Presets" / "fennrow").string();
    const std::string earlier = (appData.path / "Brightmoss" / "fennrow" / "Presets").string();
    const std::string userLocation = "location 2|Fennrow user presets|0|" + user;
    const std::string earlierLocation = "location 2|Fennrow presets from earlier versions|0|" + earlier;

    struct Case {
        const char* label;
        std::optional<std::string> appData;
        bool earlierExists;
        Calls expected;
    };
#if defined(_WIN32)
    const Calls withoutAppData = {kFileType, kFactoryLocation};
#else
    // Where no APPDATA is set, the user folder is the same below the user's
    // data folder.
    ScratchFolder dataHome;
    const test::ScopedEnvironment scopedDataHome("XDG_DATA_HOME", dataHome.path.string());
    const Calls withoutAppData = {kFileType, kFactoryLocation,
                                  "location 2|Fennrow user presets|0|" +
                                      (dataHome.path / "Tamber" / "Presets" / "fennrow").string()};
#endif
    const Case cases[] = {
        {"unset", std::nullopt, false, withoutAppData},
        {"empty", std::string(), false, withoutAppData},
        {"no earlier folder", appData.path.string(), false, {kFileType, kFactoryLocation, userLocation}},
        {"earlier folder",
         appData.path.string(),
         true,
         {kFileType, kFactoryLocation, userLocation, earlierLocation}},
    };
    for (const Case& c : cases) {
        if (c.earlierExists) {
            std::filesystem::create_directories(earlier);
        }
        ScopedAppData scoped(c.appData);
        FakeIndexer indexer;
        ProviderPtr provider = createProvider(indexer);
        EXPECT_TRUE(indexer.calls.empty()) << c.label; // nothing before init
        EXPECT_TRUE(provider->init(provider.get())) << c.label;
        EXPECT_EQ(indexer.calls, c.expected) << c.label;
    }
    EXPECT_FALSE(std::filesystem::exists(user)); // declared, never created
}

#if !defined(_WIN32)
TEST(PresetDiscoveryInit, WithoutAppDataTheUserFolderIsBelowTheUsersDataFolder) {
    const struct {
        const char* label;
        std::optional<std::string> dataHome;
        std::optional<std::string> home;
        std::optional<std::string> userFolder;
    } cases[] = {
        {"XDG_DATA_HOME", "/data/zo\xC3\xAB", "/home/z", "/data/zo\xC3\xAB/Tamber/Presets/fennrow"},
        {"unset XDG_DATA_HOME", std::nullopt, "/home/z", "/home/z/.local/share/Tamber/Presets/fennrow"},
        {"empty XDG_DATA_HOME", "", "/home/z", "/home/z/.local/share/Tamber/Presets/fennrow"},
        {"relative XDG_DATA_HOME", "data", "/home/z", "/home/z/.local/share/Tamber/Presets/fennrow"},
        {"no HOME either", std::nullopt, std::nullopt, std::nullopt},
    };
    const ScopedAppData noAppData(std::nullopt);
    for (const auto& c : cases) {
        const test::ScopedEnvironment dataHome("XDG_DATA_HOME", c.dataHome);
        const test::ScopedEnvironment home("HOME", c.home);
        FakeIndexer indexer;
        ProviderPtr provider = createProvider(indexer);
        EXPECT_TRUE(provider->init(provider.get()));
        Calls expected = {kFileType, kFactoryLocation};
        if (c.userFolder) expected.push_back("location 2|Fennrow user presets|0|" + *c.userFolder);
        EXPECT_EQ(indexer.calls, expected) << c.label;
    }
}
#endif

// A user folder with letters outside ASCII, one of them outside the basic
// plane, reaches both locations whole, joined with the system's separator,
// and a preset file in it is read and named.
TEST(PresetDiscoveryInit, FindsPresetsUnderAnAppDataWithAnyLetters) {
#if defined(_WIN32)
    const std::string sep = "\\";
#else
    const std::string sep = "/";
#endif
    ScratchFolder scratch;
    const std::string appData =
        test::utf8FromPath(scratch.path) + sep + "Zo\xC3\xAB \xE9\x9F\xB3\xF0\x9F\x8E\xB8";
    const std::string user = appData + sep + "Tamber" + sep + "Presets" + sep + "fennrow";
    const std::string earlier = appData + sep + "Brightmoss" + sep + "fennrow" + sep + "Presets";
    std::filesystem::create_directories(test::pathFromUtf8(earlier));
    const std::string preset =
        scratch.write(user.substr(test::utf8FromPath(scratch.path).size() + 1) + sep + "B\xC3\xA4sse.json",
                      R"({"kind":"instance","plugin":"fennrow"})");
    ScopedAppData scoped(appData);
    FakeIndexer indexer;
    ProviderPtr provider = createProvider(indexer);
    ASSERT_TRUE(provider->init(provider.get()));
    EXPECT_EQ(indexer.calls, (Calls{kFileType, kFactoryLocation, "location 2|Fennrow user presets|0|" + user,
                                    "location 2|Fennrow presets from earlier versions|0|" + earlier}));
    FakeReceiver receiver;
    bool ok = false;
    const Calls calls = metadataFor(CLAP_PRESET_DISCOVERY_LOCATION_FILE, preset.c_str(), receiver, &ok);
    EXPECT_TRUE(ok);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "begin B\xC3\xA4sse|(null)");
}

TEST(PresetDiscoveryInit, DeclaredPathsStayValidWhileTheProviderLives) {
    ScratchFolder appData;
    std::filesystem::create_directories(appData.path / "Brightmoss" / "fennrow" / "Presets");
    std::vector<const char*> kept;
    FakeIndexer indexer;
    indexer.record.indexer_data = &kept;
    indexer.record.declare_location = [](const clap_preset_discovery_indexer_t* self,
                                         const clap_preset_discovery_location_t* location) {
        static_cast<std::vector<const char*>*>(self->indexer_data)->push_back(location->location);
        return true;
    };
    indexer.record.declare_filetype = [](const clap_preset_discovery_indexer_t*,
                                         const clap_preset_discovery_filetype_t*) { return false; };
    ScopedAppData scoped(appData.path.string());
    ProviderPtr provider = createProvider(indexer);
    ASSERT_TRUE(provider->init(provider.get()));
    ASSERT_EQ(kept.size(), 3u);
    test::setEnvironment("APPDATA", std::nullopt);
    EXPECT_EQ(std::string(kept[1]), (appData.path / "Tamber" / "Presets" / "fennrow").string());
    EXPECT_EQ(std::string(kept[2]), (appData.path / "Brightmoss" / "fennrow" / "Presets").string());
}

TEST(PresetDiscoveryMetadata, ListsTheFactorySetWithCreatorAndFeatures) {
    FakeReceiver receiver;
    bool ok = false;
    const Calls calls = metadataFor(CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, "ignored", receiver, &ok);
    EXPECT_TRUE(ok);
    Calls begins;
    for (const std::string& call : calls) {
        if (call.rfind("begin ", 0) == 0) {
            begins.push_back(call);
        }
    }
    ASSERT_EQ(begins.size(), 20u);
    EXPECT_EQ(begins.front(), "begin Init|Init");
    EXPECT_EQ(begins.back(), "begin Dark Legato|Dark Legato");

    const Calls deepSub = {
        "begin Deep Sub|Deep Sub", "creator Brightmoss", "plugin clap:com.brightmoss.fennrow",
        "feature instrument",      "feature bass",       "feature sub"};
    const auto start = std::find(calls.begin(), calls.end(), deepSub.front());
    ASSERT_NE(start, calls.end());
    EXPECT_EQ(Calls(start, start + deepSub.size()), deepSub);
}

TEST(PresetDiscoveryMetadata, StopsWhenTheReceiverRefusesAPreset) {
    FakeReceiver receiver;
    receiver.refuseBeginAt = 2;
    bool ok = false;
    const Calls calls = metadataFor(CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, receiver, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(receiver.begins, 3);
    EXPECT_EQ(calls.back(), "begin Deep Sub|Deep Sub");
}

TEST(PresetDiscoveryMetadata, RefusesOtherLocationKinds) {
    const std::string message = "error 0 Fennrow lists presets from files and from its own factory set";
    for (const auto& [kind, location] : {std::pair<uint32_t, const char*>{2, "x"}, {0, nullptr}}) {
        FakeReceiver receiver;
        bool ok = true;
        EXPECT_EQ(metadataFor(kind, location, receiver, &ok), Calls{message});
        EXPECT_FALSE(ok);
    }
}

TEST(PresetDiscoveryMetadata, DescribesAPresetFileByItsDocument) {
    ScratchFolder folder;
    const struct {
        const char* file;
        const char* content;
        Calls expected;
    } cases[] = {
        {"Named.json",
         R"({"kind":"instance","plugin":"fennrow","meta":{"name":"Foo","category":"Acid"}})",
         {"begin Foo|(null)", "plugin clap:com.brightmoss.fennrow", "feature instrument", "feature bass",
          "feature acid"}},
        {"Wide.json",
         R"({"kind":"instance","plugin":"fennrow","meta":{"category":7}})",
         {"begin Wide|(null)", "plugin clap:com.brightmoss.fennrow", "feature instrument", "feature bass"}},
        {"Warm.fennrow.json",
         R"({"kind":"instance","meta":"free text"})",
         {"begin Warm.fennrow|(null)", "plugin clap:com.brightmoss.fennrow", "feature instrument",
          "feature bass"}},
    };
    for (const auto& c : cases) {
        const std::string path = folder.write(c.file, c.content);
        FakeReceiver receiver;
        bool ok = false;
        EXPECT_EQ(metadataFor(CLAP_PRESET_DISCOVERY_LOCATION_FILE, path.c_str(), receiver, &ok), c.expected);
        EXPECT_TRUE(ok) << c.file;
    }

    FakeReceiver refusing;
    refusing.refuseBeginAt = 0;
    bool ok = false;
    const std::string path = folder.write("Refused.json", R"({"kind":"instance","plugin":"fennrow"})");
    EXPECT_EQ(metadataFor(CLAP_PRESET_DISCOVERY_LOCATION_FILE, path.c_str(), refusing, &ok),
              Calls{"begin Refused|(null)"});
    EXPECT_TRUE(ok);
}

TEST(PresetDiscoveryMetadata, ReportsFilesItCannotDescribe) {
    ScratchFolder folder;
    const std::string other = folder.write("Other.json", R"({"kind":"instance","plugin":"other"})");
    const std::string empty = folder.write("Empty.json", "");
    const std::string text = folder.write("Text.json", "{\"kind\":");
    const std::string latin1 = folder.write("caf\xE9.json", R"({"kind":"instance"})");
    const std::string missing = (folder.path / "Missing.json").string();
    const std::string dir = folder.path.string();
    const std::string tooLarge = folder.write("Large.json", "{" + std::string(4 << 20, ' ') + "}");
    const struct {
        std::string location;
        std::string message;
    } cases[] = {
        {other, other + ": An instance of other, not fennrow"},
        {empty, empty + ": Neither a JSON document nor a zip archive"},
        {text, text + ": The document is not valid JSON: invalid number"},
        {latin1, shownLatin1(latin1) + " cannot be opened"},
        {missing, missing + " cannot be opened"},
        {dir, dir + " cannot be opened"},
        {tooLarge, tooLarge + " is too large"},
    };
    for (const auto& c : cases) {
        FakeReceiver receiver;
        bool ok = true;
        EXPECT_EQ(metadataFor(CLAP_PRESET_DISCOVERY_LOCATION_FILE, c.location.c_str(), receiver, &ok),
                  Calls{"error 0 " + c.message});
        EXPECT_FALSE(ok) << c.location;
    }
}

TEST(PresetDiscovery, RunsOnItsOwnThreadBesideALivePlugin) {
    ScratchFolder appData;
    const std::string file =
        appData.write("Tamber/Presets/fennrow/Mine.json",
                      R"({"kind":"instance","plugin":"fennrow","params":{"weight":0.9}})");
    test::TestPlugin plugin;
    const std::string before = test::saveState(plugin);

    ScopedAppData scoped(appData.path.string());
    Calls indexed;
    Calls described;
    std::thread indexer([&] {
        FakeIndexer fake;
        ProviderPtr provider = createProvider(fake);
        provider->init(provider.get());
        FakeReceiver receiver;
        provider->get_metadata(provider.get(), CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                               &receiver.record);
        provider->get_metadata(provider.get(), CLAP_PRESET_DISCOVERY_LOCATION_FILE, file.c_str(),
                               &receiver.record);
        indexed = fake.calls;
        described = receiver.calls;
    });
    indexer.join();
    EXPECT_EQ(indexed.size(), 3u);
    EXPECT_EQ(described.back(), "feature bass");
    EXPECT_NE(std::find(described.begin(), described.end(), "begin Mine|(null)"), described.end());
    EXPECT_EQ(test::saveState(plugin), before);
}

} // namespace
} // namespace fennrow::test
