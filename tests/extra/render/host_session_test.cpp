// The render host's CLAP side, in process: the module, the host record, the
// block loop and the audition reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "audition.h"
#include "plugin_session.h"
#include "preset_list.h"
#include "renderer.h"

namespace fennrow::test {
namespace {

std::unique_ptr<PluginSession> sessionWith(const std::string& preset) {
    std::string error;
    auto module = openClapModule(FENNROW_RENDER_PLUGIN, error);
    EXPECT_TRUE(module) << error;
    if (!module) return nullptr;
    auto session = createSession(module, error);
    EXPECT_TRUE(session) << error;
    if (session && !preset.empty()) {
        EXPECT_TRUE(loadFactoryPreset(*session, preset, error)) << error;
    }
    return session;
}

StereoAudio render(PluginSession& session, RenderPlan plan) {
    RenderReport report;
    std::string error;
    auto audio = renderPlan(session, plan, nullptr, report, error);
    EXPECT_TRUE(audio) << error;
    EXPECT_EQ(report.nonFiniteSamples, 0u);
    return audio ? *audio : StereoAudio{};
}

RenderPlan shortPlan() {
    RenderPlan plan;
    plan.notes = {{33, 0.0, 0.75, 0.9}, {45, 0.5, 0.5, 0.7}, {40, 1.25, 0.5, 1.0}};
    plan.lengthSeconds = 1.2;
    return plan;
}

TEST(HostSession, ALoadedPresetIsReportedToTheHostExtensions) {
    auto session = sessionWith("");
    ASSERT_TRUE(session);
    std::string error;
    ASSERT_TRUE(loadFactoryPreset(*session, "Deep Sub", error)) << error;
    EXPECT_EQ(session->host.log.presetsLoaded, 1);
    EXPECT_EQ(session->host.log.parameterRescans, 1);
    EXPECT_EQ(session->host.log.dirtyMarks, 1);
    EXPECT_FALSE(loadFactoryPreset(*session, "deep sub", error));
    EXPECT_EQ(error, "Fennrow has no factory sound deep sub");
    EXPECT_EQ(session->host.log.presetsLoaded, 1);
}

TEST(HostSession, TheAudioDoesNotDependOnTheBlockSize) {
    // Motion and arcs follow the transport, and notes fall inside blocks: any
    // mistake in either shows up as a difference between block sizes.
    std::vector<float> reference;
    for (uint32_t blockSize : {256u, 37u, 1024u}) {
        auto session = sessionWith("Rising Tension");
        ASSERT_TRUE(session);
        RenderPlan plan = shortPlan();
        plan.blockSize = blockSize;
        const StereoAudio audio = render(*session, plan);
        if (reference.empty()) {
            reference = audio.left;
            ASSERT_GT(*std::max_element(reference.begin(), reference.end()), 0.05f);
        } else {
            EXPECT_EQ(audio.left, reference) << blockSize;
        }
    }
}

TEST(HostSession, NotesStartOnTheirFrame) {
    auto session = sessionWith("Kick Sub");
    ASSERT_TRUE(session);
    RenderPlan plan;
    plan.notes = {{36, 1.0, 0.5, 1.0}}; // beat 1 is frame 24000, inside a block of 256
    plan.lengthSeconds = 0.75;
    const StereoAudio audio = render(*session, plan);
    ASSERT_EQ(audio.left.size(), 36000u);
    for (std::size_t i = 0; i < 24000; ++i) ASSERT_EQ(audio.left[i], 0.0f) << i;
    float early = 0.0f;
    for (std::size_t i = 24000; i < 24480; ++i) early = std::max(early, std::fabs(audio.left[i]));
    EXPECT_GT(early, 0.01f);
}

TEST(HostSession, FactoryPresetsAreListedWithTheirFeatures) {
    std::string error;
    auto module = openClapModule(FENNROW_RENDER_PLUGIN, error);
    ASSERT_TRUE(module) << error;
    const std::vector<PresetEntry> presets = listFactoryPresets(*module, error);
    ASSERT_EQ(presets.size(), 20u) << error;
    EXPECT_EQ(presets.front().name, "Init");
    EXPECT_EQ(presets.back().name, "Dark Legato");
    const auto deepSub =
        std::find_if(presets.begin(), presets.end(), [](auto& p) { return p.name == "Deep Sub"; });
    ASSERT_NE(deepSub, presets.end());
    EXPECT_EQ(deepSub->loadKey, "Deep Sub");
    EXPECT_NE(std::find(deepSub->features.begin(), deepSub->features.end(), "sub"), deepSub->features.end());
}

std::string instanceWith(const std::string& audition) {
    return R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{},"audition":)" + audition + "}";
}

TEST(Audition, PlaysUnvoicedNotesUnderTheClipsTempoAndMeter) {
    const std::string clip = R"({"kind":"clip","spec":"1.0","length":6,"grid":"1/8",
        "tempo":[{"at":4,"bpm":60},{"at":0,"bpm":90},{"at":2,"bpm":0}],
        "meter":[{"at":0,"num":3,"den":4}],
        "notes":[{"at":0,"pitch":40.4,"vel":1.5},{"at":1,"len":2,"pitch":43},
                 {"at":2,"voice":"a","pitch":50},{"at":3},{"pitch":30},{"at":4,"pitch":200}]})";
    std::string error;
    auto audition = readAudition(instanceWith(clip), "p.json", 120.0, error);
    ASSERT_TRUE(audition) << error;
    ASSERT_EQ(audition->notes.size(), 2u);
    EXPECT_EQ(audition->notes[0].key, 40);
    EXPECT_DOUBLE_EQ(audition->notes[0].lengthBeats, 0.5); // no "len": one grid step
    EXPECT_DOUBLE_EQ(audition->notes[0].velocity, 1.0);
    EXPECT_DOUBLE_EQ(audition->notes[1].lengthBeats, 2.0);
    // Voiced, pitchless, "at"-less and out-of-range notes are left out.
    EXPECT_EQ(audition->skippedNotes, 4);
    // The unreadable tempo point (bpm 0) is left out; the rest are sorted.
    EXPECT_DOUBLE_EQ(tempoAtBeat(audition->tempo, 1.0), 90.0);
    EXPECT_DOUBLE_EQ(secondsAtBeat(audition->tempo, 5.0), 4 * (60.0 / 90.0) + 1.0);
    EXPECT_EQ(audition->meter.numerator, 3);
    EXPECT_DOUBLE_EQ(audition->lengthBeats, 6.0);
}

TEST(Audition, SaysWhyThereIsNothingToPlay) {
    const struct {
        std::string bytes;
        const char* says;
    } cases[] = {
        {"not json", "p.json: "},
        {R"({"kind":"instance","spec":"1.0","plugin":"fennrow"})", "has no audition clip"},
        {instanceWith("5"), "is not a clip"},
        {instanceWith(R"({"kind":"clip","spec":"1.0","notes":[{"at":0,"voice":"a"}]})"),
         "no note that can be played"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(readAudition(c.bytes, "p.json", 120.0, error)) << c.says;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

} // namespace
} // namespace fennrow::test
