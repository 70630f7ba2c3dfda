// The VST 3 adapter, with the whole plugin behind it, reached through
// GetPluginFactory and driven as a DAW drives it: an audio thread calls
// process in a loop (with notes, parameter points and a list for output
// changes) and now and then setProcessing, while the main thread edits
// parameters, loads and saves states, chooses programs, stops and starts
// processing, and deactivates and activates the component. The entries'
// thread checks are on. ThreadSanitizer must see no race, and afterwards the
// instance must still load, play and save.
#include "support/vst3_host.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

extern "C" vst3::FUnknown* VST3_API GetPluginFactory();

namespace {

using namespace fennrow::test;
using namespace ::vst3;

constexpr int kRounds = 1500;
constexpr std::int32_t kBlockFrames = 128;
constexpr double kSampleRate = 48000.0;
constexpr ParamID kDrive = 2;
constexpr ParamID kTone = 3;
constexpr ParamID kSpread = 10;
constexpr int kProgramSteps = 20;

struct AudioReport {
    long blocks = 0;
    long played = 0; // blocks that returned kResultOk
};

AudioReport runAudio(Vst3Instance& plugin, const std::atomic<bool>& done) {
    AudioReport report;
    Vst3Block block(kBlockFrames);
    while (!done.load()) {
        EventList notes;
        const auto key = static_cast<std::int16_t>(28 + report.blocks % 12);
        notes.noteOn(3, key, 0.8f).noteOff(kBlockFrames - 5, key);
        ParameterChanges changes;
        changes.point(kSpread, 0, 0.25).point(kSpread, kBlockFrames / 2, 0.5);
        ParameterChanges outputs;
        block.process.outputParameterChanges = outputs.changes();
        if (plugin.process(block.data(notes.list(), changes.changes())) == kResultOk) ++report.played;
        ++report.blocks;
        // Some hosts stop and start processing from their audio thread.
        if (report.blocks % 97 == 0) {
            plugin.processorVtbl().setProcessing(plugin.processor, 0);
            plugin.processorVtbl().setProcessing(plugin.processor, 1);
        }
    }
    return report;
}

bool reactivate(Vst3Instance& plugin) {
    if (plugin.componentVtbl().setActive(plugin.component, 0) != kResultOk) return false;
    ProcessSetup setup{kRealtime, kSample32, kBlockFrames, kSampleRate};
    return plugin.processorVtbl().setupProcessing(plugin.processor, &setup) == kResultOk &&
           plugin.componentVtbl().setActive(plugin.component, 1) == kResultOk &&
           plugin.processorVtbl().setProcessing(plugin.processor, 1) == kResultOk;
}

// One round of the main thread's work; false when a call fails that may not.
bool mainRound(Vst3Instance& plugin, int round, const std::vector<std::string>& states) {
    plugin.setValue(kTone, (round % 10) / 10.0);
    MemoryStream stream(states[static_cast<std::size_t>(round) % states.size()]);
    if (plugin.loadState(stream) != kResultOk) return false;
    if (plugin.saveState().empty()) return false;
    if (plugin.setValue(kProgramParamId, static_cast<double>(round % kProgramSteps) / kProgramSteps) !=
        kResultOk)
        return false;
    plugin.value(kDrive);
    if (round % 7 == 0) {
        plugin.processorVtbl().setProcessing(plugin.processor, 0);
        plugin.processorVtbl().setProcessing(plugin.processor, 1);
    }
    return round % 50 != 0 || reactivate(plugin);
}

} // namespace

int main() {
    Vst3Module module(GetPluginFactory());
    Vst3Instance plugin(module);
    ComponentHandler handler;
    if (!plugin.valid() || !plugin.start(kSampleRate, kBlockFrames)) {
        std::fprintf(stderr, "the instance does not start\n");
        return 1;
    }
    plugin.controllerVtbl().setComponentHandler(plugin.controller, handler.handler());

    // States to load: three edits of the default sound.
    std::vector<std::string> states;
    for (double drive : {0.1, 0.5, 0.9}) {
        Vst3Instance source(module);
        source.setValue(kDrive, drive);
        states.push_back(source.saveState());
    }

    std::atomic<bool> done{false};
    AudioReport report;
    std::thread audio([&] { report = runAudio(plugin, done); });
    int failedRound = -1;
    for (int round = 0; round < kRounds && failedRound < 0; ++round) {
        if (!mainRound(plugin, round, states)) failedRound = round;
    }
    done.store(true);
    audio.join();
    plugin.controllerVtbl().setComponentHandler(plugin.controller, nullptr);

    int failures = 0;
    if (failedRound >= 0) {
        std::fprintf(stderr, "a main-thread call failed in round %d\n", failedRound);
        ++failures;
    }
    if (report.played == 0) {
        std::fprintf(stderr, "no block played in %ld\n", report.blocks);
        ++failures;
    }
    if (!handler.restarts.empty() || handler.edits != 0) {
        std::fprintf(stderr, "the host was called back\n");
        ++failures;
    }
    // The instance still loads, plays and saves.
    MemoryStream last(states[1]);
    Vst3Block block(kBlockFrames);
    if (plugin.loadState(last) != kResultOk || plugin.process(block.data()) != kResultOk ||
        plugin.saveState() != states[1] || plugin.value(kDrive) != 0.5) {
        std::fprintf(stderr, "the instance no longer loads, plays and saves\n");
        ++failures;
    }
    std::printf("%ld blocks, %ld played; %d main-thread rounds\n", report.blocks, report.played, kRounds);
    return failures == 0 ? 0 : 1;
}
