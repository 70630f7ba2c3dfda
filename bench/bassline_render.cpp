// Render speed of the plugin as a host drives it: the module loaded through
// clap_entry, one instance activated at 48 kHz and processed block by block
// with a playing transport. The bass line is what musicians play: notes with
// gaps (each new note after a gap starts a punch), notes that overlap (legato,
// gliding), velocities that vary and the tone automated on every block. The
// held note beside it is the easy case the engine bench times. Each runs in
// the initial sound and in a heavy one (drive, spread, motion and arcs at
// full), at 64- and 256-frame blocks, reported as a real-time factor
// (seconds of audio per second of CPU).
//
// Other builds of the plugin can be timed in the same run, which is the only
// fair comparison on a busy machine:
//   fennrow_bassline_render --plugin=old=/path/to/fennrow.clap [benchmark flags]
// Without --plugin the build's own module is timed, as "this".
#include <clap/clap.h>

#include <benchmark/benchmark.h>

#include "plugin_loader/clap_events.h"
#include "plugin_loader/clap_module.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 48000.0;
constexpr double kTempo = 120.0;
constexpr uint32_t kSixteenth = 6000; // samples at 48 kHz and 120 bpm
constexpr uint32_t kLoopSixteenths = 32;
constexpr uint32_t kLoopFrames = kLoopSixteenths * kSixteenth; // two bars
constexpr uint32_t kLargestBlock = 256;
// Every block size timed ends a block exactly where the loop ends.
static_assert(kLoopFrames % kLargestBlock == 0 && kLoopFrames % 64 == 0);

constexpr clap_id kDriveId = 2;
constexpr clap_id kToneId = 3;
constexpr clap_id kMotionId = 7;
constexpr clap_id kSpreadId = 10;
constexpr clap_id kArcAmountId = 11;

struct LineNote {
    double start;  // sixteenths
    double length; // sixteenths; longer than the distance to the next note overlaps it
    int16_t key;
    double velocity;
};

// Two bars of sixteenths: repeated roots with gaps, octave jumps, and four
// notes that reach into the next one, which then glides in legato.
constexpr LineNote kBassLine[] = {
    {0, 3.0, 36, 1.0},   {4, 1.5, 36, 0.7},  {6, 2.25, 43, 0.9}, {8, 1.0, 41, 0.8},
    {10, 2.5, 39, 1.0},  {12, 3.5, 34, 0.9}, {16, 2.0, 36, 1.0}, {19, 1.0, 48, 0.6},
    {20, 4.25, 46, 0.8}, {24, 2.0, 43, 1.0}, {27, 1.0, 36, 0.7}, {28, 3.75, 38, 1.0},
};

struct TimedNote {
    uint32_t frame; // within the loop
    uint16_t type;  // CLAP_EVENT_NOTE_ON or CLAP_EVENT_NOTE_OFF
    int16_t key;
    double velocity;
};

std::vector<TimedNote> bassLineEvents() {
    std::vector<TimedNote> events;
    for (const LineNote& n : kBassLine) {
        const auto on = static_cast<uint32_t>(n.start * kSixteenth);
        const auto off = static_cast<uint32_t>((n.start + n.length) * kSixteenth) % kLoopFrames;
        events.push_back({on, CLAP_EVENT_NOTE_ON, n.key, n.velocity});
        events.push_back({off, CLAP_EVENT_NOTE_OFF, n.key, 0.0});
    }
    // Offs before ons at the same frame, as a sequencer sends them.
    std::stable_sort(events.begin(), events.end(), [](const TimedNote& a, const TimedNote& b) {
        return a.frame != b.frame ? a.frame < b.frame : a.type > b.type;
    });
    return events;
}

// The events of one block, as the host's input list.
struct BlockEvents {
    std::vector<clap_event_note_t> notes;
    std::vector<clap_event_param_value_t> params;
    fennrow::EventPointers ordered;

    void clear() {
        notes.clear();
        params.clear();
        ordered.events.clear();
    }
    void addParam(clap_id id, double value) { params.push_back(fennrow::paramEvent(0, id, value)); }
    void addNote(uint32_t time, uint16_t type, int16_t key, double velocity) {
        notes.push_back(fennrow::noteEvent(type, time, key, velocity));
    }
    // Parameters first (all at frame 0), then the notes in time order.
    void order() {
        for (const auto& e : params) ordered.events.push_back(&e.header);
        for (const auto& e : notes) ordered.events.push_back(&e.header);
    }
};

const void* noExtension(const clap_host_t*, const char*) { return nullptr; }
void ignoreRequest(const clap_host_t*) {}

const clap_host_t kHost = {CLAP_VERSION_INIT, nullptr,       "fennrow bench", "",           "", "",
                           noExtension,       ignoreRequest, ignoreRequest,   ignoreRequest};

struct Module {
    std::string label;
    std::string path;
    std::shared_ptr<fennrow::ClapModule> loaded = nullptr;
};

struct Instance {
    const clap_plugin_t* plugin = nullptr;
    ~Instance() {
        if (plugin == nullptr) return;
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
        plugin->destroy(plugin);
    }
};

bool startInstance(const Module& module, uint32_t block, Instance& instance, std::string& error) {
    const clap_plugin_factory_t* factory = fennrow::pluginFactory(*module.loaded);
    if (factory == nullptr || factory->get_plugin_count(factory) == 0) {
        error = "no plugin factory";
        return false;
    }
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    const clap_plugin_t* plugin = factory->create_plugin(factory, &kHost, descriptor->id);
    if (plugin == nullptr || !plugin->init(plugin)) {
        if (plugin != nullptr) plugin->destroy(plugin);
        error = "the plugin did not initialise";
        return false;
    }
    if (!plugin->activate(plugin, kRate, 1, block) || !plugin->start_processing(plugin)) {
        plugin->destroy(plugin);
        error = "the plugin did not activate";
        return false;
    }
    instance.plugin = plugin;
    return true;
}

enum class Line { Bass, HeldNote };
enum class Setting { Init, Heavy };

struct Case {
    const Module* module;
    Line line;
    Setting setting;
    uint32_t block;
};

// The tone sweeps slowly, set anew at the start of every block.
double automatedTone(uint64_t frame) { return 0.5 + 0.3 * std::sin(static_cast<double>(frame) * 2e-5); }

void renderLine(benchmark::State& state, Case c) {
    Instance instance;
    std::string error;
    if (!startInstance(*c.module, c.block, instance, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const clap_plugin_t* plugin = instance.plugin;
    const std::vector<TimedNote> line =
        c.line == Line::Bass ? bassLineEvents() : std::vector<TimedNote>{{0, CLAP_EVENT_NOTE_ON, 36, 1.0}};

    std::vector<float> left(c.block), right(c.block);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t output{channels, nullptr, 2, 0, 0};
    BlockEvents events;
    events.notes.reserve(line.size() + 1);
    events.params.reserve(8);
    const clap_input_events_t inEvents = events.ordered.list();
    clap_event_transport_t transport{};
    transport.header = fennrow::coreEventHeader(sizeof(transport), 0, CLAP_EVENT_TRANSPORT);
    transport.flags =
        CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
    transport.tempo = kTempo;
    clap_process_t process{};
    process.frames_count = c.block;
    process.transport = &transport;
    process.audio_outputs = &output;
    process.audio_outputs_count = 1;
    process.in_events = &inEvents;
    process.out_events = &fennrow::kDiscardedOutput;

    uint64_t frame = 0;
    size_t next = 0; // the next event of the line
    const auto processBlock = [&]() {
        events.clear();
        if (frame == 0 && c.setting == Setting::Heavy) {
            for (const clap_id id : {kDriveId, kSpreadId, kMotionId, kArcAmountId}) events.addParam(id, 1.0);
        }
        if (c.line == Line::Bass) events.addParam(kToneId, automatedTone(frame));
        const uint32_t start = static_cast<uint32_t>(frame % kLoopFrames);
        if (c.line == Line::Bass || frame == 0) {
            while (next < line.size() && line[next].frame < start + c.block) {
                const TimedNote& n = line[next];
                events.addNote(n.frame - start, n.type, n.key, n.velocity);
                ++next;
            }
            if (start + c.block == kLoopFrames) next = 0;
        }
        events.order();
        const double beats = static_cast<double>(frame) * kTempo / (60.0 * kRate);
        transport.song_pos_beats = static_cast<clap_beattime>(std::llround(beats * CLAP_BEATTIME_FACTOR));
        process.steady_time = static_cast<int64_t>(frame);
        plugin->process(plugin, &process);
        frame += c.block;
    };

    for (auto _ : state) {
        processBlock();
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(frame) / kRate, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<int64_t>(frame));
}

bool openModule(Module& module) {
    std::string error;
    module.loaded = fennrow::openClapModule(module.path, error);
    if (module.loaded == nullptr) std::fprintf(stderr, "%s\n", error.c_str());
    return module.loaded != nullptr;
}

// Takes the --plugin=LABEL=PATH arguments out of argv.
std::vector<Module> modulesFromArguments(int& argc, char** argv) {
    std::vector<Module> modules;
    constexpr const char* kFlag = "--plugin=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind(kFlag, 0) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const std::string value = argument.substr(std::strlen(kFlag));
        const size_t equals = value.find('=');
        if (equals == std::string::npos)
            modules.push_back({value, value});
        else
            modules.push_back({value.substr(0, equals), value.substr(equals + 1)});
    }
    argc = kept;
    if (modules.empty()) modules.push_back({"this", FENNROW_MODULE_PATH});
    return modules;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<Module> modules = modulesFromArguments(argc, argv);
    for (Module& module : modules)
        if (!openModule(module)) return 1;
    constexpr struct {
        Line line;
        const char* name;
    } kLines[] = {{Line::Bass, "BassLine"}, {Line::HeldNote, "HeldNote"}};
    constexpr struct {
        Setting setting;
        const char* name;
    } kSettings[] = {{Setting::Heavy, "Heavy"}, {Setting::Init, "Init"}};
    // Builds side by side for each case, so that their figures sit together.
    for (const auto& line : kLines)
        for (const auto& setting : kSettings)
            for (const uint32_t block : {64u, kLargestBlock})
                for (const Module& module : modules) {
                    const std::string name = std::string(line.name) + "/" + setting.name + "/" +
                                             std::to_string(block) + "/" + module.label;
                    benchmark::RegisterBenchmark(name.c_str(), renderLine,
                                                 Case{&module, line.line, setting.setting, block});
                }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
