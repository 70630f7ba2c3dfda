// Whatever bytes a document or a location holds, every text the plugin hands
// a host (preset names, features, error messages, the lines on standard error)
// is well-formed UTF-8, while the document itself keeps its bytes.
#include "discovery_fakes.h"
#include "platform/utf8.h"
#include "plugin_calls.h"
#include "presets/preset_discovery_factory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace fennrow::test {
namespace {

using test::FakeIndexer;
using test::FakeReceiver;
using test::loadPreset;
using test::loadState;
using test::PresetLoadOffer;
using test::saveState;
using test::ScratchFolder;
using test::TestPlugin;

const std::string kReplacement = "\xEF\xBF\xBD";

struct Hostile {
    const char* label;
    std::string json;  // as written inside a JSON string
    std::string bytes; // what the document holds after reading
    std::string shown; // what a host is shown
};

const Hostile kHostile[] = {
    {"lone surrogate", "\\ud800", "\xED\xA0\x80", kReplacement + kReplacement + kReplacement},
    {"raw FF", "\xFF", "\xFF", kReplacement},
    {"overlong", "\xC0\xAF", "\xC0\xAF", kReplacement + kReplacement},
    {"truncated", "\xE2\x82", "\xE2\x82", kReplacement},
};

std::vector<std::string> describe(const std::string& location) {
    FakeIndexer indexer;
    const clap_preset_discovery_provider_t* provider = presets::kPresetDiscoveryFactory.create(
        &presets::kPresetDiscoveryFactory, &indexer.record, "com.brightmoss.fennrow.presets");
    FakeReceiver receiver;
    provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_FILE, location.c_str(), &receiver.record);
    provider->destroy(provider);
    return receiver.calls;
}

// Loads a preset file into a plugin without a preset-load extension and
// returns what it printed, and into one with it and returns its message.
std::vector<std::string> presetLoadReports(const std::string& location) {
    std::vector<std::string> reports;
    TestPlugin printing(TestPlugin::Init::No);
    printing.host.offerPresetLoad = PresetLoadOffer::None;
    printing.plugin->init(printing.plugin);
    ::testing::internal::CaptureStderr();
    loadPreset(printing, CLAP_PRESET_DISCOVERY_LOCATION_FILE, location.c_str(), nullptr);
    reports.push_back(::testing::internal::GetCapturedStderr());
    TestPlugin told;
    loadPreset(told, CLAP_PRESET_DISCOVERY_LOCATION_FILE, location.c_str(), nullptr);
    for (const test::PresetLoadCall& call : told.host.presetErrors) {
        reports.push_back(call.message);
        EXPECT_EQ(call.location, location); // handed back as the host sent it
    }
    return reports;
}

std::string stateLoadLines(const std::string& bytes) {
    TestPlugin plugin;
    ::testing::internal::CaptureStderr();
    loadState(plugin, bytes);
    return ::testing::internal::GetCapturedStderr();
}

void expectWellFormed(const std::vector<std::string>& texts, const std::string& label) {
    for (const std::string& text : texts) {
        EXPECT_TRUE(platform::isValidUtf8(text)) << label << ": " << text;
    }
}

TEST(HostText, NamesAndFeaturesOfAPresetAreWellFormedAndTheDocumentKeepsItsBytes) {
    for (const Hostile& h : kHostile) {
        ScratchFolder folder;
        const std::string document = R"({"kind":"instance","plugin":"fennrow","meta":{"name":"N)" + h.json +
                                     R"(","category":"C)" + h.json + R"("}})";
        const std::string file = folder.write("Named.json", document);
        const std::vector<std::string> calls = describe(file);
        ASSERT_GE(calls.size(), 5u) << h.label;
        EXPECT_EQ(calls.front(), "begin N" + h.shown + "|(null)") << h.label;
        EXPECT_EQ(calls.back(), "feature c" + h.shown) << h.label;
        expectWellFormed(calls, h.label);

        TestPlugin plugin;
        ASSERT_TRUE(loadPreset(plugin, CLAP_PRESET_DISCOVERY_LOCATION_FILE, file.c_str(), nullptr))
            << h.label;
        EXPECT_NE(saveState(plugin).find("\"N" + h.bytes + "\""), std::string::npos) << h.label;
    }
}

TEST(HostText, MessagesQuotingADocumentAreWellFormed) {
    for (const Hostile& h : kHostile) {
        ScratchFolder folder;
        const std::string otherPlugin = R"({"kind":"instance","plugin":"p)" + h.json + R"("})";
        const std::string duplicateKey =
            R"({"kind":"instance","k)" + h.json + R"(":1,"k)" + h.json + R"(":2})";
        for (const std::string& document : {otherPlugin, duplicateKey}) {
            const std::string file = folder.write("Bad.json", document);
            const std::vector<std::string> described = describe(file);
            ASSERT_EQ(described.size(), 1u) << h.label;
            EXPECT_NE(described[0].find(h.shown), std::string::npos) << h.label << ": " << described[0];
            expectWellFormed(described, h.label);
            const std::vector<std::string> reports = presetLoadReports(file);
            ASSERT_EQ(reports.size(), 2u) << h.label;
            expectWellFormed(reports, h.label);
            const std::string lines = stateLoadLines(document);
            EXPECT_NE(lines.find(h.shown), std::string::npos) << h.label << ": " << lines;
            expectWellFormed({lines}, h.label);
        }
    }
}

TEST(HostText, LocationsThatAreNotUtf8AreShownWellFormed) {
    ScratchFolder folder;
    for (const Hostile& h : kHostile) {
        const std::string missing = test::utf8FromPath(folder.path) + "/Bass" + h.bytes + ".json";
        const std::vector<std::string> described = describe(missing);
        ASSERT_EQ(described.size(), 1u) << h.label;
        expectWellFormed(described, h.label);
        expectWellFormed(presetLoadReports(missing), h.label);
    }
    // A file named by such bytes (where names are bytes) that holds a preset
    // without a name is listed under its name as text.
    const std::string file = folder.write("Bass\xFF.json", R"({"kind":"instance","plugin":"fennrow"})");
    const std::vector<std::string> calls = describe(file);
    ASSERT_FALSE(calls.empty());
    expectWellFormed(calls, "file name");
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A NUL, a line break or any control character in a document reaches the
// host written as an escape: nothing is cut short, nothing left empty, and no
// line of standard error is forged. Quoted values are capped, and so is the
// number of findings printed for one load.
TEST(HostText, ControlCharactersAreEscapedAndLongTextsCapped) {
    ScratchFolder folder;
    const std::string hidden = folder.write(
        "Hidden.json",
        R"({"kind":"instance","plugin":"fennrow","meta":{"name":"\u0000hidden","category":"\u0000"}})");
    const std::vector<std::string> calls = describe(hidden);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "begin \\u0000hidden|(null)");
    EXPECT_EQ(calls.back(), "feature \\u0000");

    const std::string nulPlugin =
        folder.write("Zero.json", R"({"kind":"instance","plugin":"\u0000x\u0085"})");
    for (const std::string& report : presetLoadReports(nulPlugin))
        EXPECT_NE(report.find(": An instance of \\u0000x\\u0085, not fennrow"), std::string::npos) << report;

    const std::string forged = stateLoadLines(
        R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{"a\nfennrow state: forged\r":true}})");
    EXPECT_EQ(forged,
              "fennrow state: wrong-type /params/a\\nfennrow state: forged\\r Expected a value or choice id; "
              "kept as written, not applied\n");

    const std::string longKind(5000, 'k');
    const std::string kindFile = folder.write("Kind.json", R"({"kind":")" + longKind + R"("})");
    const std::string capped =
        "Expected kind \"instance\", found \"" + longKind.substr(0, 200) + "\xE2\x80\xA6\"";
    for (const std::string& report : presetLoadReports(kindFile))
        EXPECT_NE(report.find(capped), std::string::npos);

    std::string many = R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{)";
    for (int i = 0; i < 150; ++i)
        many += (i == 0 ? "" : ",") + std::string("\"p") + std::to_string(i) + "\":[]";
    const std::string lines = stateLoadLines(many + "}}");
    EXPECT_EQ(lineCount(lines), 101u);
    EXPECT_NE(lines.find("\nfennrow state: 50 more findings not shown\n"), std::string::npos);
}

} // namespace
} // namespace fennrow::test
