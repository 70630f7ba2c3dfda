// The whole plugin as a host drives it: the input is a script of host actions
// (plugin_script.h) played against an instance made through clap_entry.
// Beyond not crashing, it checks what a host relies on: every output frame is
// written, finite, free of subnormals and bounded; a load that succeeds saves,
// and that text loads and saves to the same text; a load that fails changes
// nothing; a save cut short by its stream never shows up as success with
// different text; parameter values stay within their ranges.
#include <clap/clap.h>

#include "plugin/factory_sounds.h"
#include "plugin/plugin_identity.h"
#include "plugin/session_extension.h"
#include "plugin_events.h"
#include "plugin_script.h"
#include "support/fake_host.h"
#include "support/streams.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

using namespace fennrow;
using namespace fennrow::fuzz;

// Well above anything the engine plays (no input of the corpus goes past
// 1), far below what a runaway filter or feedback loop reaches.
constexpr float kOutputBound = 4.0f;
// Frames rendered per input at most, so that one input stays quick.
constexpr uint64_t kFrameBudget = 1u << 14;
constexpr uint32_t kMaxFramesLimit = 16384;
constexpr uint32_t kLowestRate = 1000;
constexpr uint32_t kHighestRate = 768000;
constexpr uint64_t kChunks[] = {UINT64_MAX, 0, 1, 2, 3, 5, 64, 4095, 4096, 4097, 65536};
constexpr uint32_t kSessionSizes[] = {sizeof(plugin::SessionInfo),
                                      plugin::kSessionInfoWithStringsSize,
                                      plugin::kSessionInfoMinimumSize,
                                      plugin::kSessionInfoMinimumSize - 1,
                                      0,
                                      8,
                                      24,
                                      35};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "plugin_host: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

struct Library {
    const clap_plugin_factory_t* plugins = nullptr;
    std::string folder; // scratch folder for preset files
};

const Library& library() {
    // Never destroyed: the clean-up at exit still needs the folder's name.
    static const Library& lib = *[] {
        auto* made = new Library;
        check(clap_entry.init("fennrow fuzz"), "clap_entry.init");
        made->plugins =
            static_cast<const clap_plugin_factory_t*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
        check(made->plugins != nullptr, "no plugin factory");
        char pattern[] = "/tmp/fennrow-fuzz-XXXXXX";
        check(mkdtemp(pattern) != nullptr, "mkdtemp");
        made->folder = pattern;
        std::atexit([] { std::filesystem::remove_all(library().folder); });
        return made;
    }();
    return lib;
}

// ---- streams -------------------------------------------------------------------

std::optional<std::string> save(const clap_plugin_t* plugin, const clap_plugin_state_t* state) {
    test::OutputStream out;
    if (!state->save(plugin, out.clap())) return std::nullopt;
    return out.bytes;
}

bool load(const clap_plugin_t* plugin, const clap_plugin_state_t* state, const std::string& bytes,
          uint64_t chunk = UINT64_MAX, int failAfterReads = -1) {
    test::InputStream in(bytes);
    in.maxChunk = chunk;
    in.failAfterReads = failAfterReads;
    return state->load(plugin, in.clap());
}

// ---- one instance ---------------------------------------------------------------

class Session {
public:
    ~Session() { destroy(); }

    void play(ScriptReader& in) {
        while (!in.done()) {
            const auto action = static_cast<HostAction>(in.byte() % static_cast<uint8_t>(HostAction::Count));
            switch (action) {
                case HostAction::Create: create(); break;
                case HostAction::Init: init(in); break;
                case HostAction::Activate: activate(in); break;
                case HostAction::Deactivate: deactivate(); break;
                case HostAction::Reset:
                    if (active_) plugin_->reset(plugin_);
                    break;
                case HostAction::Process: process(in); break;
                case HostAction::Flush: flush(in); break;
                case HostAction::StateLoad: stateLoad(in); break;
                case HostAction::StateSave: stateSave(in); break;
                case HostAction::PresetLoad: presetLoad(in); break;
                case HostAction::Values: values(in); break;
                case HostAction::Session: session(in); break;
                case HostAction::Destroy: destroy(); break;
                case HostAction::Count: break;
            }
        }
    }

private:
    template <typename Table>
    const Table* extension(const char* id) const {
        const auto* table = static_cast<const Table*>(plugin_->get_extension(plugin_, id));
        check(table != nullptr, "an extension the plugin offers is missing");
        return table;
    }

    void create() {
        if (plugin_ != nullptr) return;
        plugin_ = library().plugins->create_plugin(library().plugins, host_.clap(), plugin::kPluginId);
        check(plugin_ != nullptr, "create_plugin failed");
        initialised_ = false;
    }

    void init(ScriptReader& in) {
        const uint8_t offers = in.byte();
        const uint8_t space = in.byte();
        if (plugin_ == nullptr || initialised_) return;
        host_.offerParams = offers & kOfferParams;
        host_.offerState = offers & kOfferState;
        const bool stable = offers & kOfferPresetLoad;
        const bool draft = offers & kOfferPresetLoadDraft;
        host_.offerPresetLoad = stable && draft ? test::PresetLoadOffer::Both
                                : stable        ? test::PresetLoadOffer::Stable
                                : draft         ? test::PresetLoadOffer::DraftOnly
                                                : test::PresetLoadOffer::None;
        host_.offerEventRegistry = offers & kOfferEventRegistry;
        host_.registryKnowsSpace = offers & kRegistryKnowsSpace;
        host_.registrySpaceId = space;
        check(plugin_->init(plugin_), "init failed");
        initialised_ = true;
        state_ = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
        params_ = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
        presetLoad_ = extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
        session_ = extension<plugin::fennrow_session>(plugin::kSessionExtensionId);
    }

    void activate(ScriptReader& in) {
        const uint32_t rateCode = in.take<uint32_t>();
        const uint16_t framesCode = in.take<uint16_t>();
        if (!initialised_ || active_) return;
        const double rate = kLowestRate + rateCode % (kHighestRate - kLowestRate + 1);
        maxFrames_ = 1 + framesCode % kMaxFramesLimit;
        check(plugin_->activate(plugin_, rate, 1, maxFrames_), "activate failed");
        active_ = true;
    }

    void deactivate() {
        if (!active_) return;
        plugin_->deactivate(plugin_);
        active_ = false;
    }

    void destroy() {
        if (plugin_ == nullptr) return;
        deactivate();
        plugin_->destroy(plugin_);
        plugin_ = nullptr;
        initialised_ = false;
    }

    void process(ScriptReader& in) {
        const uint16_t framesCode = in.take<uint16_t>();
        const uint8_t layout = in.byte();
        const uint8_t transportCode = in.byte();
        clap_event_transport_t transport{};
        if (transportCode & 1) {
            transport.header = header(CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0);
            transport.header.size = sizeof transport;
            transport.flags = in.byte();
            transport.tempo = pick(kTempos, in.byte());
            switch (in.byte() % 6) {
                case 0: // half a beat on, wrapping like the host's counter would
                    songPosition_ =
                        static_cast<int64_t>(static_cast<uint64_t>(songPosition_) + CLAP_BEATTIME_FACTOR / 2);
                    break;
                case 1: songPosition_ = in.take<int64_t>(); break;
                case 2: songPosition_ = -static_cast<int64_t>(in.take<uint32_t>()); break;
                case 3: songPosition_ = std::numeric_limits<int64_t>::min(); break;
                case 4: songPosition_ = std::numeric_limits<int64_t>::max(); break;
                default: songPosition_ = 0; break;
            }
            transport.song_pos_beats = songPosition_;
        }
        ScriptEvents events;
        readEvents(in, events, host_.registrySpaceId);
        if (!active_) return;

        const uint32_t frames =
            static_cast<uint32_t>(std::min<uint64_t>(framesCode % (maxFrames_ + 1), framesLeft_));
        framesLeft_ -= frames;
        // Stereo, mono, a second stereo bus, no outputs, a bus without
        // channels, three channels.
        static constexpr uint32_t kLayouts[][2] = {{1, 2}, {1, 1}, {2, 2}, {0, 0}, {1, 0}, {1, 3}};
        const uint32_t* shape = kLayouts[layout % std::size(kLayouts)];
        const uint32_t buses = shape[0];
        const uint32_t channels = shape[1];
        // Filled with NaN, so that a frame left unwritten fails the check.
        std::vector<std::vector<float>> data(
            buses * channels, std::vector<float>(frames, std::numeric_limits<float>::quiet_NaN()));
        std::vector<float*> pointers;
        for (auto& channel : data) pointers.push_back(channel.data());
        std::vector<clap_audio_buffer_t> outputs(buses);
        for (uint32_t b = 0; b < buses; ++b) {
            outputs[b].data32 = channels > 0 ? pointers.data() + b * channels : nullptr;
            outputs[b].channel_count = channels;
        }
        clap_process_t block{};
        block.steady_time = -1;
        block.frames_count = frames;
        block.transport = (transportCode & 1) ? &transport : nullptr;
        block.audio_outputs = buses > 0 ? outputs.data() : nullptr;
        block.audio_outputs_count = buses;
        block.in_events = events.clap();
        block.out_events = &kDiscardedOutput;

        check(plugin_->process(plugin_, &block) == CLAP_PROCESS_CONTINUE, "process did not continue");
        for (const auto& channel : data) {
            for (float sample : channel) {
                check(std::isfinite(sample), "an output frame is not finite (or was not written)");
                check(sample == 0.0f || std::fabs(sample) >= std::numeric_limits<float>::min(),
                      "an output frame is subnormal");
                check(std::fabs(sample) <= kOutputBound, "an output frame is out of bounds");
            }
        }
    }

    void flush(ScriptReader& in) {
        ScriptEvents events;
        readEvents(in, events, host_.registrySpaceId);
        if (!initialised_) return;
        params_->flush(plugin_, events.clap(), &kDiscardedOutput);
        checkValues();
    }

    // Every value the host reads lies within its parameter's range.
    void checkValues() const {
        const uint32_t count = params_->count(plugin_);
        for (uint32_t i = 0; i < count; ++i) {
            clap_param_info_t info{};
            check(params_->get_info(plugin_, i, &info), "get_info failed");
            double value = kNaN;
            check(params_->get_value(plugin_, info.id, &value), "get_value failed");
            check(value >= info.min_value && value <= info.max_value, "a parameter value is out of range");
        }
    }

    std::string savedText() const {
        const std::optional<std::string> text = save(plugin_, state_);
        check(text.has_value(), "save to a working stream failed");
        return *text;
    }

    // After a load: what the plugin now holds saves, and that text loads and
    // saves to the same text.
    void checkLoadedSoundKeeps() {
        const std::string first = savedText();
        check(load(plugin_, state_, first), "a saved state does not load");
        check(savedText() == first, "a saved state loads and saves to other text");
        checkValues();
    }

    void afterLoad(bool loaded, const std::string& before) {
        if (loaded) {
            checkLoadedSoundKeeps();
        } else {
            check(savedText() == before, "a failed load changed the state");
        }
    }

    void stateLoad(ScriptReader& in) {
        const auto source = static_cast<StateSource>(in.byte() % static_cast<uint8_t>(StateSource::Count));
        std::string bytes;
        uint16_t position = 0;
        uint8_t value = 0;
        switch (source) {
            case StateSource::Bytes: bytes = in.bytes(in.take<uint16_t>()); break;
            case StateSource::ChangedByte:
                position = in.take<uint16_t>();
                value = in.byte();
                break;
            case StateSource::Truncated: position = in.take<uint16_t>(); break;
            case StateSource::LastSaved:
            case StateSource::Count: break;
        }
        const uint64_t chunk = pick(kChunks, in.byte());
        const uint8_t failCode = in.byte();
        if (!initialised_) return;
        const std::string before = savedText();
        if (source == StateSource::LastSaved) bytes = before;
        if (source == StateSource::ChangedByte) {
            bytes = before;
            bytes[position % bytes.size()] = static_cast<char>(value);
        }
        if (source == StateSource::Truncated) bytes = before.substr(0, position % (before.size() + 1));
        // Mostly streams that work; sometimes one that fails after a few reads.
        const int failAfterReads = failCode < 128 ? -1 : failCode % 8;
        afterLoad(load(plugin_, state_, bytes, chunk, failAfterReads), before);
    }

    void stateSave(ScriptReader& in) {
        const uint64_t chunk = pick(kChunks, in.byte());
        const uint8_t failCode = in.byte();
        const bool refuseAll = in.byte() & 1;
        if (!initialised_) return;
        const std::string whole = savedText();
        test::OutputStream out;
        out.maxChunk = chunk == 0 ? 1 : chunk;
        out.failAfterWrites = failCode < 128 ? -1 : failCode % 8;
        out.acceptNothing = refuseAll;
        const bool saved = state_->save(plugin_, out.clap());
        check(!saved || out.bytes == whole, "a save in pieces differs from a whole save");
        check(!(refuseAll && saved), "a save into a stream that takes nothing succeeded");
        check(savedText() == whole, "a save changed the state");
    }

    void presetLoad(ScriptReader& in) {
        const auto mode = static_cast<PresetMode>(in.byte() % static_cast<uint8_t>(PresetMode::Count));
        uint32_t kind = CLAP_PRESET_DISCOVERY_LOCATION_FILE;
        std::string location;
        std::string key;
        bool nullLocation = false;
        bool nullKey = true;
        switch (mode) {
            case PresetMode::FileBytes: {
                location = library().folder + "/preset.json";
                std::ofstream(location, std::ios::binary | std::ios::trunc) << in.bytes(in.take<uint16_t>());
                break;
            }
            case PresetMode::MissingFile: location = library().folder + "/missing.json"; break;
            case PresetMode::Folder: location = library().folder; break;
            case PresetMode::FactoryByIndex:
                kind = CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN;
                nullLocation = true;
                nullKey = false;
                key = plugin::factorySounds()[in.byte() % plugin::kFactorySoundCount].name;
                break;
            case PresetMode::FactoryByKey:
                kind = CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN;
                nullLocation = true;
                nullKey = false;
                key = in.bytes(in.byte());
                break;
            case PresetMode::NullKey:
                kind = CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN;
                nullLocation = true;
                break;
            case PresetMode::OtherKind:
                kind = in.take<uint32_t>();
                location = "x";
                break;
            case PresetMode::NullLocation: nullLocation = true; break;
            case PresetMode::Count: break;
        }
        if (!initialised_) return;
        const std::string before = savedText();
        const bool loaded = presetLoad_->from_location(
            plugin_, kind, nullLocation ? nullptr : location.c_str(), nullKey ? nullptr : key.c_str());
        afterLoad(loaded, before);
    }

    void values(ScriptReader& in) {
        const double value = scriptDouble(in);
        std::string text = in.bytes(in.byte());
        if (!initialised_) return;
        checkValues();
        char out[64];
        for (clap_id id = 0; id <= 24; ++id) {
            std::memset(out, 'x', sizeof out);
            if (params_->value_to_text(plugin_, id, value, out, sizeof out)) {
                check(std::memchr(out, '\0', sizeof out) != nullptr, "value_to_text left no terminator");
            }
            double parsed = 0.0;
            params_->text_to_value(plugin_, id, text.c_str(), &parsed);
        }
        out[0] = 'x';
        out[1] = 'x';
        check(params_->value_to_text(plugin_, 1, value, out, 1) && out[0] == '\0' && out[1] == 'x',
              "value_to_text into a one-byte buffer");
    }

    void session(ScriptReader& in) {
        const uint8_t sizeCode = in.byte();
        plugin::SessionInfo info{};
        info.size = sizeCode < 128 ? pick(kSessionSizes, sizeCode) : sizeCode % 48;
        info.value = in.take<uint64_t>();
        const uint8_t versionCode = in.byte();
        info.version = versionCode < 3 ? (versionCode + 1) % 3 : versionCode;
        const uint8_t stringCode = in.byte();
        std::vector<std::string> strings(stringCode % 5);
        for (std::string& s : strings) s = in.bytes(in.byte() % 16);
        std::vector<const char*> pointers;
        for (std::size_t i = 0; i < strings.size(); ++i) {
            pointers.push_back((stringCode >> 4) & (1u << i) ? nullptr : strings[i].c_str());
        }
        info.strings = pointers.empty() ? nullptr : pointers.data();
        info.stringCount = static_cast<uint32_t>(pointers.size());
        if (!initialised_) return;
        // The record in exactly the bytes it claims, as a host that knows an
        // older, shorter record would hand it over.
        const std::size_t stored = std::max<std::size_t>(info.size, sizeof info.size);
        auto bytes = std::make_unique<unsigned char[]>(stored);
        std::memset(bytes.get(), 0, stored);
        std::memcpy(bytes.get(), &info, std::min(stored, sizeof info));
        const auto* record = reinterpret_cast<const plugin::SessionInfo*>(bytes.get());
        const bool taken = session_->set(plugin_, record);
        check(taken ==
                  (info.size >= plugin::kSessionInfoMinimumSize && info.version <= plugin::kSessionVersion),
              "a session record was judged wrongly");
    }

    test::FakeHost host_; // before plugin_: it outlives the instance
    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_state_t* state_ = nullptr;
    const clap_plugin_params_t* params_ = nullptr;
    const clap_plugin_preset_load_t* presetLoad_ = nullptr;
    const plugin::fennrow_session* session_ = nullptr;
    bool initialised_ = false;
    bool active_ = false;
    uint32_t maxFrames_ = 0;
    uint64_t framesLeft_ = kFrameBudget;
    int64_t songPosition_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    library();
    ScriptReader in(data, size);
    Session session;
    session.play(in);
    return 0;
}
