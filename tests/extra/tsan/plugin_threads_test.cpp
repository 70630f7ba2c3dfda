// The whole plugin, reached through clap_entry and called from three threads
// the way a host calls it. The audio thread runs process (and, every few
// blocks, an active params flush) in a loop. The main thread loads states,
// preset files and factory presets, saves the state and reads every value
// with get_value; now and then it stops the audio, deactivates, flushes while
// inactive and activates again. An indexing thread crawls preset discovery
// over the factory set and a folder of files.
//
// Every sound the main thread loads is marked: its curve points all hold its
// mark, and its parameters follow from the mark. After every block the audio
// thread looks at the sound it just played (the instance's live sound, which
// that thread owns) and names it: a marked sound with everything matching, a
// factory sound, or the sound it started with. Anything else is a torn sound.
// At the end the last sound loaded must be the one playing, and
// ThreadSanitizer must have seen no race.
#include <clap/clap.h>

#include "engine/sound.h"
#include "plugin/factory_sounds.h"
#include "plugin/param_table.h"
#include "plugin/plugin_identity.h"
#include "plugin/plugin_instance.h"
#include "plugin_loader/clap_events.h"
#include "presets/discovery_fakes.h"
#include "presets/preset_provider.h"
#include "support/fake_host.h"
#include "support/streams.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

using namespace fennrow;

constexpr int kRounds = 3000;
constexpr int kPauseEvery = 100; // rounds between inactive flushes
constexpr int kPresetFiles = 8;
constexpr int kFileMarkBase = 1 << 20; // marks of the preset files, above every round
constexpr uint32_t kBlockFrames = 64;
constexpr uint32_t kFlushEvery = 16; // blocks between active flushes on the audio thread
// The one parameter the audio thread writes. Every marked sound holds the
// same value there, and naming a sound leaves it out.
constexpr clap_id kAudioParamId = 10;
constexpr float kAudioParamValue = 0.25f;
constexpr double kVelocity = 0.8;

constexpr int kTorn = INT_MIN;
constexpr int kStartSound = 0;
// Factory sound k is named -1 - k.
int factoryName(int k) { return -1 - k; }

// ---- marked sounds ----------------------------------------------------------------

engine::SoundSnapshot markedSound(int mark) {
    engine::SoundSnapshot sound = engine::defaultSoundSnapshot();
    for (const plugin::ParamSpec& spec : plugin::kParamTable) {
        float value = spec.min + (spec.max - spec.min) * static_cast<float>((mark + spec.slot) % 5) / 4.0f;
        if (spec.stepped) value = std::round(value);
        if (spec.id == kAudioParamId) value = kAudioParamValue;
        slotValue(sound.params, spec.slot) = std::clamp(value, spec.min, spec.max);
    }
    for (auto& curve : sound.curves.points)
        std::fill(std::begin(curve), std::end(curve), static_cast<float>(mark));
    return sound;
}

std::string shortest(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string curveText(const float (&curve)[engine::kCurvePoints]) {
    std::string text = "[";
    for (int i = 0; i < engine::kCurvePoints; ++i) text += (i ? "," : "") + shortest(curve[i]);
    return text + "]";
}

std::string documentOf(const engine::SoundSnapshot& sound) {
    std::string text = R"({"kind":"instance","spec":"1.0","plugin":"fennrow","params":{)";
    for (int i = 0; i < plugin::kParamCount; ++i) {
        text += (i ? ",\"" : "\"") + std::string(plugin::kParamTable[i].key) +
                "\":" + shortest(slotValue(sound.params, plugin::kParamTable[i].slot));
    }
    const auto& c = sound.curves.points;
    text += R"(},"state":{"motion":)" + curveText(c[engine::kCurveMotion]) + R"(,"motionDrive":)" +
            curveText(c[engine::kCurveMotionDrive]) + R"(,"motionLevel":)" +
            curveText(c[engine::kCurveMotionLevel]);
    text += R"(,"arcs":{"Shape":)" + curveText(c[engine::kCurveArcShape]) + R"(,"Tone":)" +
            curveText(c[engine::kCurveArcTone]) + R"(,"Drive":)" + curveText(c[engine::kCurveArcDrive]) +
            R"(,"Motion":)" + curveText(c[engine::kCurveArcMotion]) + R"(,"Spread":)" +
            curveText(c[engine::kCurveArcSpread]) + "}}}";
    return text;
}

bool sameSound(const engine::SoundSnapshot& a, const engine::SoundSnapshot& b) {
    for (const plugin::ParamSpec& spec : plugin::kParamTable) {
        if (spec.id != kAudioParamId && slotValue(a.params, spec.slot) != slotValue(b.params, spec.slot))
            return false;
    }
    for (int c = 0; c < engine::kCurveCount; ++c) {
        if (!std::equal(std::begin(a.curves.points[c]), std::end(a.curves.points[c]),
                        std::begin(b.curves.points[c])))
            return false;
    }
    return true;
}

// The name of the sound, or kTorn when it is none of the sounds ever loaded.
int nameOf(const engine::SoundSnapshot& sound, const engine::SoundSnapshot& start) {
    const auto factory = plugin::factorySounds();
    for (int k = 0; k < plugin::kFactorySoundCount; ++k) {
        if (sameSound(sound, factory[k].sound)) return factoryName(k);
    }
    if (sameSound(sound, start)) return kStartSound;
    const float mark = sound.curves.points[0][0];
    if (mark >= 1.0f && mark < static_cast<float>(kFileMarkBase + kPresetFiles) && mark == std::floor(mark) &&
        sameSound(sound, markedSound(static_cast<int>(mark))))
        return static_cast<int>(mark);
    return kTorn;
}

// ---- the host's side -----------------------------------------------------------

struct Shared {
    std::atomic<bool> done{false};
    std::atomic<bool> pauseWanted{false};
    std::atomic<bool> paused{false};
};

struct AudioReport {
    long blocks = 0;
    long changes = 0; // how often the sound playing changed
    long torn = 0;
    int last = kStartSound;
};

AudioReport runAudio(const clap_plugin_t* plugin, const clap_plugin_params_t* params, Shared& shared) {
    AudioReport report;
    const plugin::PluginInstance& instance = *plugin::instanceOf(plugin);
    const engine::SoundSnapshot start = instance.liveSound;
    std::vector<float> left(kBlockFrames), right(kBlockFrames);
    float* channels[] = {left.data(), right.data()};
    clap_audio_buffer_t output{};
    output.data32 = channels;
    output.channel_count = 2;

    const auto play = [&](long block) {
        const clap_event_note_t on =
            noteEvent(CLAP_EVENT_NOTE_ON, 0, static_cast<int16_t>(36 + block % 12), kVelocity);
        const clap_event_param_value_t param = paramEvent(kBlockFrames / 4, kAudioParamId, kAudioParamValue);
        const clap_event_note_t off = noteEvent(CLAP_EVENT_NOTE_OFF, kBlockFrames / 2, -1, kVelocity);
        EventPointers events;
        events.events = {&on.header, &param.header, &off.header};
        const clap_input_events_t list = events.list();
        if (block % kFlushEvery == kFlushEvery - 1) {
            params->flush(plugin, &list, &kDiscardedOutput);
            return;
        }
        clap_process_t process{};
        process.steady_time = block * kBlockFrames;
        process.frames_count = kBlockFrames;
        process.audio_outputs = &output;
        process.audio_outputs_count = 1;
        process.in_events = &list;
        process.out_events = &kDiscardedOutput;
        plugin->process(plugin, &process);
        ++report.blocks;
        const int name = nameOf(instance.liveSound, start);
        if (name == kTorn) {
            if (report.torn++ == 0) std::fprintf(stderr, "torn sound in block %ld\n", block);
        } else if (name != report.last) {
            ++report.changes;
            report.last = name;
        }
    };

    long block = 0;
    while (!shared.done.load(std::memory_order_acquire)) {
        if (shared.pauseWanted.load(std::memory_order_acquire)) {
            shared.paused.store(true, std::memory_order_release);
            while (shared.pauseWanted.load(std::memory_order_acquire)) std::this_thread::yield();
            shared.paused.store(false, std::memory_order_release);
            continue;
        }
        play(block++);
    }
    // What the main thread loaded last is picked up by the next block.
    play(block);
    return report;
}

long runIndexer(const std::string& folder, std::size_t files, const Shared& shared, long& faults) {
    const auto* factory = static_cast<const clap_preset_discovery_factory_t*>(
        clap_entry.get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
    test::FakeIndexer indexer;
    const clap_preset_discovery_provider_t* provider =
        factory->create(factory, &indexer.record, presets::kPresetProviderId);
    if (provider == nullptr || !provider->init(provider)) {
        ++faults;
        return 0;
    }
    long crawls = 0;
    while (!shared.done.load(std::memory_order_acquire)) {
        test::FakeReceiver factorySet;
        provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &factorySet.record);
        if (factorySet.begins != plugin::kFactorySoundCount) ++faults;
        for (std::size_t k = 0; k < files; ++k) {
            test::FakeReceiver one;
            const std::string path = folder + "/Sound " + std::to_string(k) + ".json";
            if (!provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_FILE, path.c_str(),
                                        &one.record) ||
                one.begins != 1)
                ++faults;
        }
        test::FakeReceiver junk;
        const std::string path = folder + "/junk.json";
        if (provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_FILE, path.c_str(), &junk.record))
            ++faults;
        ++crawls;
    }
    provider->destroy(provider);
    return crawls;
}

bool loadState(const clap_plugin_t* plugin, const clap_plugin_state_t* state, const std::string& text,
               uint64_t chunk) {
    test::InputStream in(text);
    in.maxChunk = chunk;
    return state->load(plugin, in.clap());
}

// The values the host reads are the loaded sound's.
bool valuesAre(const clap_plugin_t* plugin, const clap_plugin_params_t* params,
               const engine::SoundSnapshot& sound) {
    for (const plugin::ParamSpec& spec : plugin::kParamTable) {
        double value = 0.0;
        if (!params->get_value(plugin, spec.id, &value)) return false;
        if (spec.id != kAudioParamId && static_cast<float>(value) != slotValue(sound.params, spec.slot))
            return false;
    }
    return true;
}

} // namespace

int main() {
    test::ScratchFolder folder;
    test::ScopedAppData appData(folder.path.string());
    for (int k = 0; k < kPresetFiles; ++k) {
        folder.write("Sound " + std::to_string(k) + ".json", documentOf(markedSound(kFileMarkBase + k)));
    }
    folder.write("junk.json", R"({"kind":"instance","plugin":"another"})");

    clap_entry.init("fennrow tsan");
    const auto* plugins =
        static_cast<const clap_plugin_factory_t*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
    test::FakeHost host;
    const clap_plugin_t* plugin = plugins->create_plugin(plugins, host.clap(), plugin::kPluginId);
    plugin->init(plugin);
    const auto* state =
        static_cast<const clap_plugin_state_t*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
    const auto* params =
        static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    const auto* presets =
        static_cast<const clap_plugin_preset_load_t*>(plugin->get_extension(plugin, CLAP_EXT_PRESET_LOAD));
    plugin->activate(plugin, 48000.0, 1, kBlockFrames);

    Shared shared;
    AudioReport audio;
    std::thread audioThread([&] { audio = runAudio(plugin, params, shared); });
    long indexFaults = 0;
    long crawls = 0;
    std::thread indexThread(
        [&] { crawls = runIndexer(folder.path.string(), kPresetFiles, shared, indexFaults); });

    const auto factory = plugin::factorySounds();
    long mainFaults = 0;
    int expected = kStartSound;
    engine::SoundSnapshot expectedSound = engine::defaultSoundSnapshot();
    const uint64_t chunks[] = {7, 4096, UINT64_MAX};
    for (int round = 1; round <= kRounds + 1; ++round) {
        // The last round always loads a state, so the end is known.
        const int kind = round > kRounds ? 0 : round % 8;
        bool loaded = false;
        if (kind <= 4) {
            expectedSound = markedSound(round);
            loaded = loadState(plugin, state, documentOf(expectedSound), chunks[round % 3]);
            expected = round;
        } else if (kind == 5) {
            const int k = round % kPresetFiles;
            const std::string path = folder.path.string() + "/Sound " + std::to_string(k) + ".json";
            loaded =
                presets->from_location(plugin, CLAP_PRESET_DISCOVERY_LOCATION_FILE, path.c_str(), nullptr);
            expected = kFileMarkBase + k;
            expectedSound = markedSound(expected);
        } else if (kind == 6) {
            const int k = round % plugin::kFactorySoundCount;
            loaded = presets->from_location(plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                            factory[k].name.c_str());
            expected = factoryName(k);
            expectedSound = factory[k].sound;
        } else {
            // Refused, and the sound stays.
            loaded = !loadState(plugin, state, R"({"kind":"instance","spec":"1.0","plugin":"another"})",
                                UINT64_MAX);
        }
        test::OutputStream saved;
        if (!loaded || !state->save(plugin, saved.clap()) || !valuesAre(plugin, params, expectedSound))
            ++mainFaults;

        if (round % kPauseEvery == 0) {
            shared.pauseWanted.store(true, std::memory_order_release);
            while (!shared.paused.load(std::memory_order_acquire)) std::this_thread::yield();
            plugin->deactivate(plugin);
            const clap_event_param_value_t param = paramEvent(0, kAudioParamId, kAudioParamValue);
            EventPointers events;
            events.events = {&param.header};
            const clap_input_events_t list = events.list();
            params->flush(plugin, &list, &kDiscardedOutput);
            plugin->activate(plugin, round % 2 ? 44100.0 : 96000.0, 1, kBlockFrames);
            shared.pauseWanted.store(false, std::memory_order_release);
            while (shared.paused.load(std::memory_order_acquire)) std::this_thread::yield();
        }
    }
    shared.done.store(true, std::memory_order_release);
    audioThread.join();
    indexThread.join();
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
    clap_entry.deinit();

    std::printf("rounds %d, blocks %ld, sound changes heard %ld, torn %ld, last heard %d of %d, "
                "discovery crawls %ld, faults main %ld discovery %ld\n",
                kRounds + 1, audio.blocks, audio.changes, audio.torn, audio.last, expected, crawls,
                mainFaults, indexFaults);
    const bool ok = audio.torn == 0 && audio.last == expected && mainFaults == 0 && indexFaults == 0 &&
                    audio.changes > 0 && crawls > 0;
    return ok ? 0 : 1;
}
