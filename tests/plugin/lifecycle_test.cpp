#include "plugin/param_writes.h"
#include "plugin/ports.h"
#include "support/event_list.h"
#include "support/plugin_harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace fennrow::test {
namespace {

using test::PresetLoadOffer;
using test::TestPlugin;

TEST(Lifecycle, InitAsksForTheHostExtensionsItUses) {
    TestPlugin p(TestPlugin::Init::No);
    EXPECT_TRUE(p.host.calls.empty()); // nothing is asked at creation
    ASSERT_TRUE(p.plugin->init(p.plugin));
    const plugin::PluginInstance& instance = p.instance();
    EXPECT_EQ(instance.noteExtras.spaceId, 7u);
    EXPECT_NE(instance.hostParams, nullptr);
    EXPECT_NE(instance.hostState, nullptr);
    EXPECT_NE(instance.hostPresetLoad, nullptr);
    const std::vector<std::string> expected = {
        "get_extension clap.event-registry", "event_registry.query com.brightmoss.events/1",
        "get_extension clap.params",         "get_extension clap.state",
        "get_extension clap.preset-load/2",
    };
    EXPECT_EQ(p.host.calls, expected);
}

struct PresetLoadCase {
    PresetLoadOffer offer;
    bool found;
    size_t queries; // preset-load ids asked for
};

TEST(Lifecycle, PresetLoadFallsBackToTheDraftId) {
    const PresetLoadCase cases[] = {
        {PresetLoadOffer::Stable, true, 1},
        {PresetLoadOffer::DraftOnly, true, 2},
        {PresetLoadOffer::Both, true, 1},
        {PresetLoadOffer::None, false, 2},
    };
    for (const PresetLoadCase& c : cases) {
        TestPlugin p(TestPlugin::Init::No);
        p.host.offerPresetLoad = c.offer;
        p.host.offerParams = false;
        p.host.offerState = false;
        p.host.offerEventRegistry = false;
        ASSERT_TRUE(p.plugin->init(p.plugin));
        EXPECT_EQ(p.instance().hostPresetLoad != nullptr, c.found);
        EXPECT_EQ(p.instance().hostParams, nullptr);
        EXPECT_EQ(p.instance().hostState, nullptr);
        EXPECT_EQ(p.instance().noteExtras.spaceId, 0xFFFFu);
        EXPECT_EQ(p.host.count("get_extension clap.preset-load"), static_cast<int>(c.queries));
    }
}

TEST(Ports, OneStereoOutputAndOneClapNoteInput) {
    TestPlugin p;
    const auto* audio = p.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    const auto* notes = p.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    EXPECT_EQ(audio->count(p.plugin, true), 0u);
    EXPECT_EQ(audio->count(p.plugin, false), 1u);
    EXPECT_EQ(notes->count(p.plugin, true), 1u);
    EXPECT_EQ(notes->count(p.plugin, false), 0u);

    clap_audio_port_info_t audioInfo;
    std::memset(&audioInfo, 0xAB, sizeof audioInfo);
    ASSERT_TRUE(audio->get(p.plugin, 0, false, &audioInfo));
    EXPECT_EQ(audioInfo.id, 0u);
    EXPECT_STREQ(audioInfo.name, "Main");
    EXPECT_EQ(audioInfo.flags, static_cast<uint32_t>(CLAP_AUDIO_PORT_IS_MAIN));
    EXPECT_EQ(audioInfo.channel_count, 2u);
    EXPECT_STREQ(audioInfo.port_type, "stereo");
    EXPECT_EQ(audioInfo.in_place_pair, CLAP_INVALID_ID);

    clap_note_port_info_t noteInfo;
    std::memset(&noteInfo, 0xAB, sizeof noteInfo);
    ASSERT_TRUE(notes->get(p.plugin, 0, true, &noteInfo));
    EXPECT_EQ(noteInfo.id, 0u);
    EXPECT_STREQ(noteInfo.name, "Notes");
    EXPECT_EQ(noteInfo.supported_dialects, static_cast<uint32_t>(CLAP_NOTE_DIALECT_CLAP));
    EXPECT_EQ(noteInfo.preferred_dialect, static_cast<uint32_t>(CLAP_NOTE_DIALECT_CLAP));

    clap_audio_port_info_t untouched;
    std::memset(&untouched, 0xAB, sizeof untouched);
    EXPECT_FALSE(audio->get(p.plugin, 1, false, &untouched));
    EXPECT_FALSE(audio->get(p.plugin, 0, true, &untouched));
    EXPECT_EQ(untouched.id, 0xABABABABu);
    clap_note_port_info_t untouchedNote;
    std::memset(&untouchedNote, 0xAB, sizeof untouchedNote);
    EXPECT_FALSE(notes->get(p.plugin, 0, false, &untouchedNote));
    EXPECT_FALSE(notes->get(p.plugin, 1, true, &untouchedNote));
    EXPECT_EQ(untouchedNote.id, 0xABABABABu);
    EXPECT_FALSE(audio->get(p.plugin, 0, false, nullptr));
}

TEST(Session, SetStoresAndReplacesTheRecord) {
    TestPlugin p;
    const auto* session = p.extension<plugin::fennrow_session>(plugin::kSessionExtensionId);
    ASSERT_NE(session, nullptr);
    const char* strings[] = {"alpha", nullptr, "gamma"};
    plugin::SessionInfo full{40, 0, 1234, 1, 0, strings, 3};
    ASSERT_TRUE(session->set(p.plugin, &full));
    const plugin::SessionRecord& record = p.instance().session;
    EXPECT_TRUE(record.received);
    EXPECT_EQ(record.value, 1234u);
    EXPECT_EQ(record.version, 1u);
    EXPECT_EQ(record.strings, (std::vector<std::string>{"alpha", "gamma"}));

    plugin::SessionInfo shortInfo{20, 0, 77, 0, 0, strings, 3}; // strings lie beyond its size
    ASSERT_TRUE(session->set(p.plugin, &shortInfo));
    EXPECT_EQ(record.value, 77u);
    EXPECT_EQ(record.version, 0u);
    EXPECT_TRUE(record.strings.empty());
}

TEST(Session, RefusalsLeaveTheEarlierRecord) {
    TestPlugin p;
    const auto* session = p.extension<plugin::fennrow_session>(plugin::kSessionExtensionId);
    const char* strings[] = {"kept"};
    plugin::SessionInfo first{36, 0, 5, 1, 0, strings, 1};
    ASSERT_TRUE(session->set(p.plugin, &first));
    plugin::SessionInfo newer{40, 0, 6, 2, 0, nullptr, 0};
    plugin::SessionInfo tooShort{19, 0, 6, 1, 0, nullptr, 0};
    EXPECT_FALSE(session->set(p.plugin, &newer));
    EXPECT_FALSE(session->set(p.plugin, &tooShort));
    EXPECT_FALSE(session->set(p.plugin, nullptr));
    EXPECT_EQ(p.instance().session.value, 5u);
    EXPECT_EQ(p.instance().session.strings, std::vector<std::string>{"kept"});
}

TEST(Session, ReadsNothingBeyondTheGivenSize) {
    // A host record of exactly 20 bytes at the end of readable memory: only
    // those bytes may be touched (AddressSanitizer watches the rest).
    auto* bytes = new unsigned char[20];
    const uint32_t size = 20, version = 1;
    const uint64_t value = 42;
    std::memcpy(bytes, &size, 4);
    std::memset(bytes + 4, 0, 4);
    std::memcpy(bytes + 8, &value, 8);
    std::memcpy(bytes + 16, &version, 4);
    plugin::SessionRecord record;
    EXPECT_TRUE(applySessionInfo(record, reinterpret_cast<const plugin::SessionInfo*>(bytes)));
    EXPECT_EQ(record.value, 42u);
    delete[] bytes;
}

TEST(Lifecycle, ActivateSizesScratchAndStartsAFreshEngine) {
    TestPlugin p;
    ASSERT_TRUE(p.activate(44100.0, 256));
    EXPECT_EQ(p.instance().scratch.size(), 256u);
    EXPECT_EQ(p.instance().sampleRate, 44100.0f);
    EXPECT_EQ(p.instance().active.load(), 1);
    p.plugin->deactivate(p.plugin);
    EXPECT_EQ(p.instance().active.load(), 0);
    ASSERT_TRUE(p.activate(96000.0, 4096));
    EXPECT_EQ(p.instance().scratch.size(), 4096u);
    EXPECT_EQ(p.instance().sampleRate, 96000.0f);
    EXPECT_TRUE(p.plugin->start_processing(p.plugin));
    p.plugin->stop_processing(p.plugin);
    p.plugin->on_main_thread(p.plugin);
}

TEST(Lifecycle, ActivateRefusesARateItCannotRunAt) {
    const double rates[] = {
        0.0,   -48000.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        1e300, 1e-300};
    for (double rate : rates) {
        TestPlugin p;
        EXPECT_FALSE(p.activate(rate, 64)) << rate;
        EXPECT_EQ(p.instance().active.load(), 0);
    }
}

TEST(Lifecycle, ResetFreesEveryNoteSlot) {
    TestPlugin p;
    ASSERT_TRUE(p.activate());
    noteExtrasFor(p.instance().noteExtras, 3);
    noteExtrasFor(p.instance().noteExtras, 4);
    p.plugin->reset(p.plugin);
    for (const plugin::NoteExtrasSlot& slot : p.instance().noteExtras.slots) EXPECT_FALSE(slot.inUse);
}

TEST(Lifecycle, RecordsWithoutAnInstanceAreLeftAlone) {
    TestPlugin p;
    clap_plugin_t orphan = *p.plugin;
    orphan.plugin_data = nullptr;
    orphan.destroy(&orphan);
    EXPECT_FALSE(orphan.init(&orphan));
    EXPECT_FALSE(orphan.activate(&orphan, 48000.0, 1, 64));
    orphan.deactivate(&orphan);
    orphan.reset(&orphan);
    EXPECT_EQ(orphan.process(&orphan, nullptr), CLAP_PROCESS_CONTINUE);
}

TEST(Lifecycle, InstancesShareNothing) {
    TestPlugin a;
    TestPlugin b;
    EXPECT_NE(a.plugin, b.plugin);
    EXPECT_EQ(static_cast<const void*>(a.plugin), a.plugin->plugin_data);
    writeParam(a.instance(), test::paramEvent(0, 1, 0.1));
    EXPECT_EQ(b.instance().paramValues[0].load(), 0.6f);
}

} // namespace
} // namespace fennrow::test
