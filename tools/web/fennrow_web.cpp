// The host of fennrow_web.h: one plugin instance made through the linked-in
// clap_entry, kept active and processing, with a queue of the next block's
// events and a transport made the way fennrow-render makes it.
#include "fennrow_web.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "event_list.h"
#include "plugin_session.h"
#include "preset_list.h"
#include "tempo_map.h"
#include "transport.h"

extern "C" const clap_plugin_entry_t clap_entry;

using namespace fennrow;

namespace {

constexpr std::size_t kQueueCapacity = 1024;
constexpr double kMinSampleRate = 1000.0;
constexpr double kMaxSampleRate = 768000.0;
constexpr uint32_t kMaxBlockFrames = 16384;
constexpr uint32_t kNoParam = 0xffffffffu;
constexpr int kKeyCount = 128;
constexpr char kOutOfMemory[] = "out of memory";

} // namespace

struct FennrowWeb {
    std::shared_ptr<ClapModule> module;
    std::unique_ptr<PluginSession> session;
    std::vector<ParamInfo> params;
    std::vector<PresetEntry> presets;
    double sampleRate = 0.0;
    uint32_t maxFrames = 0;

    EventQueue queue; // the next block's events, in the order given
    int32_t nextNoteId = 0;
    int32_t noteIds[kKeyCount] = {}; // of the last note struck on each key

    TempoMap tempo = constantTempo(120.0);
    Meter meter;
    bool playing = false;
    double songFrame = 0.0;
    int64_t steadyTime = 0;

    std::vector<float> left;
    std::vector<float> right;
    std::string text;  // the last text handed out
    std::string error; // why the last failed call failed
};

namespace {

std::string& createError() {
    static std::string error;
    return error;
}

const ParamInfo* findParam(const FennrowWeb& engine, uint32_t id) {
    const auto found = std::find_if(engine.params.begin(), engine.params.end(),
                                    [id](const ParamInfo& param) { return param.id == id; });
    return found == engine.params.end() ? nullptr : &*found;
}

bool queueEvent(FennrowWeb& engine, const EventBody& body) {
    if (engine.queue.events.size() >= kQueueCapacity) {
        engine.error = "the next block already holds " + std::to_string(kQueueCapacity) + " events";
        return false;
    }
    engine.queue.events.push_back(body);
    return true;
}

uint32_t frameWithin(const FennrowWeb& engine, uint32_t frame) {
    return std::min(frame, engine.maxFrames - 1);
}

const char* handOut(FennrowWeb& engine, std::string text) {
    engine.text = std::move(text);
    return engine.text.c_str();
}

bool reportResult(FennrowWeb& engine, bool done, const std::string& error) {
    engine.error = done ? std::string() : error;
    return done;
}

// The transport of the block starting at the engine's song position: the
// one fennrow-render sends while playing; standing still otherwise.
clap_event_transport_t blockTransport(const FennrowWeb& engine) {
    clap_event_transport_t transport =
        makeTransport(engine.tempo, engine.meter, engine.songFrame / engine.sampleRate);
    if (!engine.playing) transport.flags &= ~static_cast<uint32_t>(CLAP_TRANSPORT_IS_PLAYING);
    return transport;
}

// Events in time order and, at one frame, in the order given; in place,
// since the audio thread allocates nothing. The page sends them mostly in
// order already, which this sort passes through in one sweep.
void sortByTime(std::vector<EventBody>& events) {
    for (std::size_t i = 1; i < events.size(); ++i) {
        const EventBody event = events[i];
        std::size_t j = i;
        for (; j > 0 && events[j - 1].header.time > event.header.time; --j) events[j] = events[j - 1];
        events[j] = event;
    }
}

void writeSilence(FennrowWeb& engine, uint32_t frames) {
    std::fill_n(engine.left.begin(), frames, 0.0f);
    std::fill_n(engine.right.begin(), frames, 0.0f);
}

// Runs one call of the page's; nothing thrown reaches the page (an
// exception out of an AudioWorklet's process would silence it for good).
// Only allocations throw here, so a failure is a lack of memory.
template <typename Result, typename Body>
Result guarded(FennrowWeb* engine, Result failed, Body body) {
    try {
        return body();
    } catch (...) {
        if (engine != nullptr) engine->error = kOutOfMemory; // within the string's own room
        return failed;
    }
}

} // namespace

extern "C" {

FennrowWeb* fennrow_web_create(double sampleRate, uint32_t maxFrames) {
    std::string& error = createError();
    if (!(sampleRate >= kMinSampleRate && sampleRate <= kMaxSampleRate) || maxFrames < 1 ||
        maxFrames > kMaxBlockFrames) {
        error = "an engine runs at 1 kHz to 768 kHz in blocks of 1 to 16384 frames";
        return nullptr;
    }
    try {
        auto engine = std::make_unique<FennrowWeb>();
        engine->module = openLinkedClapModule(clap_entry, "fennrow", error);
        if (!engine->module) return nullptr;
        engine->presets = listFactoryPresets(*engine->module, error);
        engine->session = createSession(engine->module, error);
        if (!engine->session || !activateSession(*engine->session, sampleRate, maxFrames, error))
            return nullptr;
        engine->params = listParams(*engine->session);
        engine->sampleRate = sampleRate;
        engine->maxFrames = maxFrames;
        engine->queue.events.reserve(kQueueCapacity);
        engine->left.assign(maxFrames, 0.0f);
        engine->right.assign(maxFrames, 0.0f);
        std::fill(std::begin(engine->noteIds), std::end(engine->noteIds), -1);
        error.clear();
        return engine.release();
    } catch (...) {
        error = kOutOfMemory;
        return nullptr;
    }
}

void fennrow_web_destroy(FennrowWeb* engine) { delete engine; }

const char* fennrow_web_error(const FennrowWeb* engine) {
    return engine == nullptr ? createError().c_str() : engine->error.c_str();
}

int fennrow_web_note_on(FennrowWeb* engine, int key, double velocity, uint32_t frame) {
    return guarded(engine, 0, [&]() -> int {
        if (key < 0 || key >= kKeyCount) return 0;
        const int32_t id = engine->nextNoteId;
        if (!queueEvent(*engine, noteEvent(CLAP_EVENT_NOTE_ON, frameWithin(*engine, frame),
                                           static_cast<int16_t>(key), velocity, id)))
            return 0;
        engine->noteIds[key] = id;
        engine->nextNoteId = id == INT32_MAX ? 0 : id + 1;
        return 1;
    });
}

int fennrow_web_note_off(FennrowWeb* engine, int key, double velocity, uint32_t frame) {
    return guarded(engine, 0, [&]() -> int {
        if (key < 0 || key >= kKeyCount) return 0;
        return queueEvent(*engine, noteEvent(CLAP_EVENT_NOTE_OFF, frameWithin(*engine, frame),
                                             static_cast<int16_t>(key), velocity, engine->noteIds[key]));
    });
}

uint32_t fennrow_web_param_count(const FennrowWeb* engine) {
    return static_cast<uint32_t>(engine->params.size());
}

uint32_t fennrow_web_param_id(const FennrowWeb* engine, uint32_t index) {
    return index < engine->params.size() ? engine->params[index].id : kNoParam;
}

const char* fennrow_web_param_name(FennrowWeb* engine, uint32_t id) {
    return guarded(engine, "", [&]() -> const char* {
        const ParamInfo* param = findParam(*engine, id);
        return handOut(*engine, param != nullptr ? param->name : std::string());
    });
}

double fennrow_web_param_min(const FennrowWeb* engine, uint32_t id) {
    const ParamInfo* param = findParam(*engine, id);
    return param != nullptr ? param->minValue : 0.0;
}

double fennrow_web_param_max(const FennrowWeb* engine, uint32_t id) {
    const ParamInfo* param = findParam(*engine, id);
    return param != nullptr ? param->maxValue : 0.0;
}

double fennrow_web_param_default(const FennrowWeb* engine, uint32_t id) {
    const ParamInfo* param = findParam(*engine, id);
    return param != nullptr ? param->defaultValue : 0.0;
}

int fennrow_web_param_stepped(const FennrowWeb* engine, uint32_t id) {
    const ParamInfo* param = findParam(*engine, id);
    return param != nullptr && param->stepped ? 1 : 0;
}

double fennrow_web_param_value(const FennrowWeb* engine, uint32_t id) {
    return findParam(*engine, id) != nullptr ? paramValue(*engine->session, id) : 0.0;
}

const char* fennrow_web_param_text(FennrowWeb* engine, uint32_t id, double value) {
    return guarded(engine, "", [&]() -> const char* {
        if (findParam(*engine, id) == nullptr) return handOut(*engine, std::string());
        return handOut(*engine, paramValueText(*engine->session, id, value));
    });
}

int fennrow_web_param_from_text(FennrowWeb* engine, uint32_t id, const char* text, double* value) {
    return guarded(engine, 0, [&]() -> int {
        const ParamInfo* param = findParam(*engine, id);
        if (param == nullptr || text == nullptr || value == nullptr) return 0;
        const std::optional<double> read = paramValueFromText(*engine->session, *param, text);
        if (!read) return 0;
        *value = *read;
        return 1;
    });
}

int fennrow_web_set_param(FennrowWeb* engine, uint32_t id, double value, uint32_t frame) {
    return guarded(engine, 0, [&]() -> int {
        const ParamInfo* param = findParam(*engine, id);
        if (param == nullptr) {
            engine->error = "no parameter has the id " + std::to_string(id);
            return 0;
        }
        return queueEvent(*engine, paramValueEvent(*param, value, frameWithin(*engine, frame)));
    });
}

uint32_t fennrow_web_preset_count(const FennrowWeb* engine) {
    return static_cast<uint32_t>(engine->presets.size());
}

const char* fennrow_web_preset_name(const FennrowWeb* engine, uint32_t index) {
    return index < engine->presets.size() ? engine->presets[index].name.c_str() : "";
}

int fennrow_web_load_preset(FennrowWeb* engine, uint32_t index) {
    return guarded(engine, 0, [&]() -> int {
        if (index >= engine->presets.size())
            return reportResult(*engine, false, "no factory sound at that index");
        std::string error;
        const bool loaded = loadFactoryPreset(*engine->session, engine->presets[index].loadKey, error);
        return reportResult(*engine, loaded, error);
    });
}

int fennrow_web_load_preset_named(FennrowWeb* engine, const char* name) {
    return guarded(engine, 0, [&]() -> int {
        const auto found =
            std::find_if(engine->presets.begin(), engine->presets.end(),
                         [name](const PresetEntry& p) { return name != nullptr && p.name == name; });
        if (found == engine->presets.end())
            return reportResult(*engine, false, "no factory sound has that name");
        return fennrow_web_load_preset(engine, static_cast<uint32_t>(found - engine->presets.begin()));
    });
}

const char* fennrow_web_save_state(FennrowWeb* engine) {
    return guarded(engine, "", [&]() -> const char* {
        std::string error;
        std::optional<std::string> state = saveState(*engine->session, error);
        reportResult(*engine, state.has_value(), error);
        return handOut(*engine, state ? std::move(*state) : std::string());
    });
}

uint32_t fennrow_web_saved_state_length(const FennrowWeb* engine) {
    return static_cast<uint32_t>(engine->text.size());
}

int fennrow_web_load_state(FennrowWeb* engine, const char* text, uint32_t length) {
    return guarded(engine, 0, [&]() -> int {
        if (text == nullptr && length > 0) return reportResult(*engine, false, "no state text");
        std::string error;
        const bool loaded = loadState(*engine->session, std::string(text, length), error);
        return reportResult(*engine, loaded, error);
    });
}

int fennrow_web_set_tempo_map(FennrowWeb* engine, const double* beatsAndBpms, uint32_t count) {
    return guarded(engine, 0, [&]() -> int {
        if (beatsAndBpms == nullptr || count == 0) return 0;
        std::vector<TempoChange> changes(count);
        for (uint32_t i = 0; i < count; ++i) changes[i] = {beatsAndBpms[2 * i], beatsAndBpms[2 * i + 1]};
        engine->tempo = makeTempoMap(std::move(changes), 120.0);
        return 1;
    });
}

void fennrow_web_set_meter(FennrowWeb* engine, int numerator, int denominator) {
    if (numerator >= 1 && numerator <= 64 &&
        (denominator == 2 || denominator == 4 || denominator == 8 || denominator == 16))
        engine->meter = Meter{numerator, denominator};
}

void fennrow_web_set_playing(FennrowWeb* engine, int playing) { engine->playing = playing != 0; }

void fennrow_web_set_song_frame(FennrowWeb* engine, double frame) {
    if (std::isfinite(frame)) engine->songFrame = std::max(0.0, frame);
}

int fennrow_web_process(FennrowWeb* engine, uint32_t frames) {
    return guarded(engine, 0, [&]() -> int {
        if (frames < 1 || frames > engine->maxFrames) {
            engine->error = "a block holds 1 to " + std::to_string(engine->maxFrames) + " frames";
            return 0;
        }
        for (EventBody& event : engine->queue.events)
            event.header.time = std::min(event.header.time, frames - 1);
        sortByTime(engine->queue.events);
        const clap_input_events_t inEvents = inputEvents(engine->queue);
        const clap_event_transport_t transport = blockTransport(*engine);

        const BlockResult block = processBlock(*engine->session, engine->left.data(), engine->right.data(),
                                               frames, engine->steadyTime, transport, inEvents);
        engine->queue.events.clear();
        engine->steadyTime += frames;
        if (engine->playing) engine->songFrame += frames;
        serviceMainThread(*engine->session);
        if (!block.processed) {
            writeSilence(*engine, frames);
            engine->error = "the plugin failed to process the block";
            return 0;
        }
        return 1;
    });
}

float* fennrow_web_left(FennrowWeb* engine) { return engine->left.data(); }

float* fennrow_web_right(FennrowWeb* engine) { return engine->right.data(); }

} // extern "C"
