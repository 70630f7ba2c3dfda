// The VST 3 module as a host drives it, reached only through
// GetPluginFactory: the input is a script of host calls (one action byte and
// its arguments, front to back; a script that runs out reads zeros) in any
// order, with hostile streams, event lists and parameter queues. Beyond not
// crashing, it checks what a host relies on: every output frame of every
// process call is written, finite and bounded; a state that loads saves, and
// that saved state loads again and saves the same; values the controller
// shows stay normalised; the host is never called back.
#include "support/vst3_host.h"
#include "plugin_script.h"
#include "vst3_script.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

extern "C" vst3::FUnknown* VST3_API GetPluginFactory();

namespace {

using namespace fennrow::fuzz;
using namespace fennrow::test;
using namespace ::vst3;

constexpr float kOutputBound = 4.0f;
// Frames processed per input at most, so that one input stays quick.
constexpr std::uint64_t kFrameBudget = std::uint64_t{1} << 15;
constexpr std::int32_t kParamCount = 23;
constexpr double kRates[] = {48000.0, 44100.0, 1000.0, 768000.0,
                             999.0,   0.0,     -1.0,   std::numeric_limits<double>::quiet_NaN()};
constexpr std::int32_t kBlocks[] = {512, 1, 64, 16384, 40000, 0, -5, 4096};
constexpr std::int32_t kChunks[] = {INT32_MAX, 1, 3, 4096, 100};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "vst3_host: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

// The reader of the whole-plugin fuzzer, and a pick from a table by one byte.
template <typename T, std::size_t N>
const T& pick(ScriptReader& script, const T (&table)[N]) {
    return table[script.take<std::uint8_t>() % N];
}

// A parameter id: mostly the plugin's, sometimes the program list's or none.
ParamID paramId(ScriptReader& script) {
    const auto code = script.take<std::uint8_t>();
    if (code < 200) return 1 + code % kParamCount;
    if (code < 230) return kProgramParamId;
    return script.take<std::uint32_t>();
}

double value(ScriptReader& script) {
    constexpr double kOdd[] = {std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity(),
                               -1.0,
                               2.0,
                               0.5,
                               1e300,
                               -0.0};
    const auto code = script.take<std::uint8_t>();
    if (code < 240) return code / 239.0;
    return kOdd[code % std::size(kOdd)];
}

std::int32_t offset(ScriptReader& script, std::int32_t frames) {
    const auto code = script.take<std::uint8_t>();
    if (code >= kOffsetCodes) return code == 255 ? INT32_MAX : -static_cast<std::int32_t>(code);
    const auto within = script.take<std::uint16_t>();
    return frames > 0 ? within % (frames + 2) : within % 4;
}

void addEvents(ScriptReader& script, EventList& list, std::int32_t frames) {
    const int count = script.take<std::uint8_t>();
    for (int index = 0; index < count; ++index) {
        Event event{};
        const auto kind = script.take<std::uint8_t>();
        event.busIndex = kind & 0x80 ? 1 : 0;
        event.sampleOffset = offset(script, frames);
        event.type = (kind & 0x3) == 3 ? 7 : (kind & 0x1) == 0 ? kNoteOnEvent : kNoteOffEvent;
        const auto pitch = static_cast<std::int16_t>(script.take<std::uint8_t>() % 140);
        const auto velocity = static_cast<float>(value(script));
        const auto noteId = static_cast<std::int32_t>(script.take<std::int8_t>());
        if (event.type == kNoteOnEvent) {
            event.noteOn = {static_cast<std::int16_t>(kind >> 4 & 0x7), pitch, 0.0f, velocity, 0, noteId};
        } else {
            event.noteOff = {static_cast<std::int16_t>(kind >> 4 & 0x7), pitch, velocity, noteId, 0.0f};
        }
        list.events.push_back(event);
    }
}

// Points come as the script gives them: out of order, repeated, beyond the
// block; a run of points on every frame fills the block's storage.
void addPoints(ScriptReader& script, ParameterChanges& changes, std::int32_t frames) {
    const int queues = script.take<std::uint8_t>() % 32;
    for (int q = 0; q < queues; ++q) {
        const ParamID id = paramId(script);
        const auto mode = script.take<std::uint8_t>();
        if (mode == kEveryFrame) {
            for (std::int32_t frame = 0; frame < frames; ++frame)
                changes.point(id, frame, (frame % 97) / 96.0);
            continue;
        }
        for (int p = 0; p < mode % 64; ++p) changes.point(id, offset(script, frames), value(script));
    }
}

struct Session {
    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<Vst3Instance> plugin;
    ComponentHandler handler;
    std::uint64_t framesLeft = kFrameBudget;
};

void process(ScriptReader& script, Session& session) {
    Vst3Instance& plugin = *session.plugin;
    const auto frames = static_cast<std::int32_t>(script.take<std::uint16_t>() % 20000);
    const auto layout = script.take<std::uint8_t>();
    if (static_cast<std::uint64_t>(frames) > session.framesLeft) return;
    session.framesLeft -= static_cast<std::uint64_t>(frames);
    const std::int32_t channels = layout % 4; // none, mono, stereo, three
    Vst3Block block(frames, channels, std::numeric_limits<float>::quiet_NaN());
    if (layout & kLayoutFlush) block.process.numSamples = 0;
    EventList events;
    ParameterChanges changes;
    ParameterChanges outputs;
    addEvents(script, events, block.process.numSamples);
    addPoints(script, changes, block.process.numSamples);
    ProcessContext context{};
    context.state = script.take<std::uint32_t>();
    context.tempo = value(script) * 300.0;
    context.projectTimeMusic = (value(script) - 0.5) * 1e6;
    context.barPositionMusic = value(script) * 100.0;
    context.timeSigNumerator = script.take<std::int8_t>();
    context.timeSigDenominator = script.take<std::int8_t>();
    if (layout & kLayoutOutputs) block.process.outputParameterChanges = outputs.changes();
    block.data(layout & kLayoutNoNotes ? nullptr : events.list(),
               layout & kLayoutNoPoints ? nullptr : changes.changes(),
               layout & kLayoutNoContext ? nullptr : &context);
    plugin.process(&block.process);
    for (std::int32_t c = 0; c < channels; ++c) {
        const std::vector<float>& samples = block.channel(static_cast<std::size_t>(c));
        for (std::int32_t frame = 0; frame < block.process.numSamples; ++frame) {
            const float sample = samples[static_cast<std::size_t>(frame)];
            check(std::isfinite(sample), "an output frame is not written or not finite");
            check(std::fabs(sample) <= kOutputBound, "an output frame is out of bounds");
        }
    }
}

void setState(ScriptReader& script, Session& session, std::string& lastSaved) {
    const auto source = script.take<std::uint8_t>();
    MemoryStream stream(source % 2 == 0 ? script.bytes(script.take<std::uint16_t>()) : lastSaved);
    stream.maxChunk = pick(script, kChunks);
    stream.falseAtEnd = source & 0x2;
    if (source & 0x4) stream.failAfterCalls = script.take<std::uint8_t>() % 8;
    if (session.plugin->loadState(stream) != kResultOk) return;
    // A state that loads saves, and what it saves loads and saves the same.
    const std::string saved = session.plugin->saveState();
    check(!saved.empty(), "a loaded state does not save");
    MemoryStream again(saved);
    check(session.plugin->loadState(again) == kResultOk, "a saved state does not load");
    check(session.plugin->saveState() == saved, "a saved state saves differently");
}

void texts(ScriptReader& script, Vst3Instance& plugin) {
    const ParamID id = paramId(script);
    char16 text[128] = {};
    if (plugin.controllerVtbl().getParamStringByValue(plugin.controller, id, value(script), text) ==
        kResultOk) {
        double back = 0.0;
        if (plugin.controllerVtbl().getParamValueByString(plugin.controller, id, text, &back) == kResultOk)
            check(back >= 0.0 && back <= 1.0, "a text reads back outside 0 to 1");
    }
    std::u16string typed;
    for (char c : script.bytes(script.take<std::uint8_t>() % 40)) typed.push_back(static_cast<char16_t>(c));
    double normalized = 0.0;
    plugin.controllerVtbl().getParamValueByString(plugin.controller, id, typed.data(), &normalized);
    plugin.controllerVtbl().normalizedParamToPlain(plugin.controller, id, value(script));
    plugin.controllerVtbl().plainParamToNormalized(plugin.controller, id, value(script) * 40.0 - 10.0);
}

void act(ScriptReader& script, Session& session, std::string& lastSaved) {
    const auto action =
        static_cast<Vst3Action>(script.take<std::uint8_t>() % static_cast<int>(Vst3Action::Count));
    if (action == Vst3Action::Create) {
        if (!session.plugin) session.plugin = std::make_unique<Vst3Instance>(*session.module);
        check(session.plugin->valid(), "no instance");
        return;
    }
    if (!session.plugin) return;
    Vst3Instance& plugin = *session.plugin;
    switch (action) {
        case Vst3Action::Initialize:
            plugin.componentVtbl().base.initialize(plugin.component, nullptr);
            plugin.controllerVtbl().base.initialize(plugin.controller, nullptr);
            break;
        case Vst3Action::Setup: {
            ProcessSetup setup{kRealtime, script.take<std::uint8_t>() % 3 == 2 ? kSample64 : kSample32,
                               pick(script, kBlocks), pick(script, kRates)};
            plugin.processorVtbl().setupProcessing(plugin.processor, &setup);
            break;
        }
        case Vst3Action::Activate:
            plugin.componentVtbl().setActive(plugin.component, script.take<std::uint8_t>() % 2);
            break;
        case Vst3Action::Processing:
            plugin.processorVtbl().setProcessing(plugin.processor, script.take<std::uint8_t>() % 2);
            break;
        case Vst3Action::Process: process(script, session); break;
        case Vst3Action::SetState: setState(script, session, lastSaved); break;
        case Vst3Action::GetState: {
            MemoryStream stream;
            stream.maxChunk = pick(script, kChunks);
            if (script.take<std::uint8_t>() % 4 == 0) stream.failAfterCalls = 0;
            if (plugin.componentVtbl().getState(plugin.component, stream.stream()) == kResultOk)
                lastSaved = stream.bytes;
            break;
        }
        case Vst3Action::SetValue: {
            const ParamID id = paramId(script);
            plugin.setValue(id, value(script));
            const double shown = plugin.value(id);
            check(shown >= 0.0 && shown <= 1.0, "a value shown outside 0 to 1");
            break;
        }
        case Vst3Action::Texts: texts(script, plugin); break;
        case Vst3Action::Program:
            plugin.setValue(kProgramParamId, (script.take<std::uint8_t>() % 22) / 20.0);
            break;
        case Vst3Action::ComponentState: {
            MemoryStream stream(lastSaved);
            plugin.controllerVtbl().setComponentState(plugin.controller, stream.stream());
            break;
        }
        case Vst3Action::Handler:
            plugin.controllerVtbl().setComponentHandler(
                plugin.controller, script.take<std::uint8_t>() % 2 ? session.handler.handler() : nullptr);
            break;
        case Vst3Action::Terminate:
            plugin.componentVtbl().base.terminate(plugin.component);
            plugin.controllerVtbl().base.terminate(plugin.controller);
            break;
        case Vst3Action::Destroy: session.plugin.reset(); break;
        default: break;
    }
    check(session.handler.restarts.empty() && session.handler.edits == 0, "the host was called back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScriptReader script(data, size);
    Session session;
    session.module = std::make_unique<Vst3Module>(GetPluginFactory());
    std::string lastSaved;
    while (!script.done()) act(script, session, lastSaved);
    session.plugin.reset();
    check(session.handler.references == 1, "the handler's references are not given back");
    return 0;
}
