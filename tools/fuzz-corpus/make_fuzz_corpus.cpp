// Writes the seed inputs of every fuzz target into <folder>/<target>/, each
// named seed-<what>. Deterministic: the same sources give the same bytes.
// Seeds are the shapes a fuzzer would take long to find on its own: the
// factory sounds' saved states, documents with every member and an audition,
// zip packages with assets, deflate streams of each block type, and host
// scripts that walk the plugin's lifecycle.
#include <clap/clap.h>

#include "archive/sha256.h"
#include "deflate_writer.h"
#include "plugin/factory_sounds.h"
#include "plugin_script.h"
#include "presets/sound_writer.h"
#include "vst3_script.h"
#include "zip_builder.h"

#include <zlib.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace fennrow;
using namespace fennrow::fuzz;
using test::Bytes;

namespace fs = std::filesystem;

struct Seed {
    std::string name;
    std::string bytes;
};
using Seeds = std::vector<Seed>;

std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }
Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string slug(const std::string& name) {
    std::string out;
    for (char c : name)
        out += (std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-');
    return out;
}

// ---- documents ------------------------------------------------------------------

constexpr const char* kHead = R"({"kind":"instance","spec":"1.0","plugin":"fennrow","formatVersion":1)";

const char* const kClip =
    R"({"kind":"clip","spec":"1.0","extensions":["com.brightmoss.slide/1","com.brightmoss.note-random/1",)"
    R"("com.brightmoss.per-note-params/1","com.brightmoss.voices/1"],"length":8,"grid":"1/16",)"
    R"("tempo":[{"at":0,"bpm":96},{"at":4,"bpm":128,"curve":"linear"}],)"
    R"("meter":[{"bar":0,"num":7,"den":8}],"swing":[{"at":0,"amount":0.55,"grid":"1/8"}],)"
    R"("voices":[{"id":"a","sound":"asset:0000"}],)"
    R"("notes":[{"at":0,"len":0.5,"vel":0.8,"pitch":36,"slide":true,"voice":"a",)"
    R"("rand":{"vel":0.1,"nudge":0.01,"x":1},"expr":{"tune":[{"at":0,"v":0},{"at":0.25,"v":-1}],"pan":0.2}},)"
    R"({"at":1.5,"len":0.25,"pitch":39,"rel":0.2},{"at":3,"len":1,"pitch":31,"step":2}],)"
    R"("lanes":[{"target":"tone","points":[{"at":0,"v":0.1},{"at":2,"v":0.9,"curve":"smooth"}]},)"
    R"({"target":"drive","source":"set","points":[{"at":1,"v":0.5}]}],"z":[1,2,3]})";

std::vector<std::pair<std::string, std::string>> richDocuments() {
    const std::string head = kHead;
    return {
        {"meta-and-extras",
         head +
             R"(,"id":"x1","pluginVersion":"0.1.3","scope":"complete","seed":42,)"
             R"("meta":{"name":"Wide","category":"Reese","tags":["a"]},"provenance":{"by":"me"},)"
             R"("hints":{"k":1},"params":{"weight":0.7,"drive":"hot","extra":5,"arcBars":2.5},)"
             R"("state":{"motion":[1,2,3],"other":true,"arcs":{"Tone":[],"New":1}},)"
             R"("assets":{"img":"asset:e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},)"
             R"("ext":{"x.y":{"a":null}},"unknown":[1e400,-0.0,1E-5]})"},
        {"audition",
         head + R"(,"extensions":["com.brightmoss.audition/1"],"params":{},"audition":)" + kClip + "}"},
        {"audition-broken",
         head +
             R"(,"audition":{"kind":"clip","notes":[{"pitch":1},{"at":-1,"pitch":400}],"tempo":[{"bpm":0}],)"
             R"("meter":[{"num":0}],"lanes":[{"points":5}]}})"},
        {"no-version-no-plugin", R"({"kind":"instance","params":{"legato":0.4,"weight":-1e9}})"},
        {"wrong-plugin", R"({"kind":"instance","spec":"1.0","plugin":"other","params":{}})"},
        {"wrong-kind", R"({"kind":"clip","spec":"1.0"})"},
        {"newer-spec", R"({"kind":"instance","spec":"2.7","plugin":"fennrow","extensions":[5,"a/1","b"]})"},
        {"curves-odd", head + R"(,"state":{"motion":[0,"x",null,true],"motionDrive":[)" +
                           [] {
                               std::string points;
                               for (int i = 0; i < 64; ++i)
                                   points += (i ? "," : "") + std::to_string(i % 3 == 0 ? -i : i * 7);
                               return points;
                           }() +
                           R"(],"arcs":{"Shape":{},"Spread":[1e39]}}})"},
        {"bom-blank", "\xEF\xBB\xBF \r\n\t" + head + "}"},
    };
}

std::vector<std::string> jsonEdges() {
    return {
        R"([1,-0,0.5e-3,1E+300,1e-400,123456789012345678901,-9223372036854775809])",
        R"({"a":"\u00e9\ud83d\ude00\n\t\"\\\/","b":[true,false,null],"c":{}})",
        R"({"a":1,"a":2})",
        std::string(200, '[') + std::string(200, ']'),
        R"("unterminated)",
        R"({"x":"\ud800"})",
    };
}

// ---- packages -------------------------------------------------------------------

test::EntrySpec entry(const std::string& name, const std::string& content, uint16_t method = 8) {
    test::EntrySpec e;
    e.name = name;
    e.content = bytes(content);
    e.method = method;
    return e;
}

std::string asset(const std::string& content) {
    return "assets/" + archive::sha256Hex(reinterpret_cast<const uint8_t*>(content.data()), content.size());
}

Seeds packages(const std::string& document) {
    Seeds out;
    {
        test::ArchiveSpec spec;
        spec.entries = {entry("instance.json", document, 0)};
        out.push_back({"zip-stored", text(test::buildZip(spec))});
    }
    {
        test::ArchiveSpec spec;
        const std::string picture(300, 'p');
        test::EntrySpec corrupt = entry("assets/" + std::string(64, 'a'), "not it");
        spec.entries = {
            entry("instance.json", document), entry(asset(picture), picture), corrupt,
            entry("assets/", "", 0),          entry("clip.json", kClip),      entry("assets/README", "x", 0)};
        spec.comment = bytes("made for fuzzing");
        out.push_back({"zip-assets", text(test::buildZip(spec))});
    }
    {
        test::ArchiveSpec spec;
        test::EntrySpec encrypted = entry("e", "x", 0);
        encrypted.flags = 1;
        test::EntrySpec method = entry("m", "x", 12);
        test::EntrySpec badCrc = entry("c", "abc", 0);
        badCrc.crc = 1;
        spec.entries = {entry("../up", "x", 0),
                        entry("a\\b", "x", 0),
                        entry("d:x", "x", 0),
                        encrypted,
                        method,
                        badCrc,
                        entry("instance.json", document),
                        entry("instance.json", "{}", 0)};
        out.push_back({"zip-skipped-entries", text(test::buildZip(spec))});
    }
    out.push_back({"zip-empty", text(test::buildZip({}))});
    return out;
}

// ---- deflate streams ------------------------------------------------------------

// The inflate target reads the declared size, in units of 16 bytes, first.
std::string inflateSeed(const Bytes& plain, const Bytes& packed) {
    const std::size_t units = (plain.size() + 15) / 16;
    std::string out;
    out += static_cast<char>(units & 0xFF);
    out += static_cast<char>((units >> 8) & 0xFF);
    return out + text(packed);
}

Seeds deflateStreams(const std::string& sample) {
    const Bytes plain = bytes(sample);
    struct Setting {
        const char* name;
        int level, strategy;
        std::size_t flushEvery;
    };
    const Setting settings[] = {
        {"stored", 0, Z_DEFAULT_STRATEGY, 0},   {"fast", 1, Z_DEFAULT_STRATEGY, 0},
        {"best", 9, Z_DEFAULT_STRATEGY, 0},     {"fixed", 6, Z_FIXED, 0},
        {"huffman", 6, Z_HUFFMAN_ONLY, 0},      {"rle", 6, Z_RLE, 0},
        {"flushed", 6, Z_DEFAULT_STRATEGY, 97},
    };
    Seeds out;
    for (const Setting& s : settings) {
        out.push_back({std::string("deflate-") + s.name,
                       inflateSeed(plain, test::zlibDeflate(plain, s.level, s.strategy, 8, s.flushEvery))});
    }
    // Hand-made: an empty fixed block, an empty stored block, a long repeat.
    out.push_back({"deflate-empty-fixed", inflateSeed({}, {0x03, 0x00})});
    out.push_back({"deflate-empty-stored", inflateSeed({}, {0x01, 0x00, 0x00, 0xFF, 0xFF})});
    const Bytes run(258 * 4, 'a');
    out.push_back({"deflate-run", inflateSeed(run, test::zlibDeflate(run, 9, Z_DEFAULT_STRATEGY))});
    return out;
}

// ---- host scripts ---------------------------------------------------------------

ScriptWriter& startPlugin(ScriptWriter& w, uint8_t offers = kOfferEverything, uint32_t rate = 48000,
                          uint16_t maxFrames = 512) {
    w.action(HostAction::Create).action(HostAction::Init).put<uint8_t>(offers).put<uint8_t>(7);
    return w.action(HostAction::Activate).put<uint32_t>(rate - 1000).put<uint16_t>(maxFrames - 1);
}

// A block: frames, layout, transport (flags, tempo code, song position
// code), then the events as given.
ScriptWriter& block(ScriptWriter& w, uint16_t frames, uint8_t layout, bool transport, uint8_t flags,
                    uint8_t tempoCode, uint8_t positionCode, uint8_t eventCount, const std::string& events,
                    int64_t position = 0) {
    w.action(HostAction::Process).put<uint16_t>(frames).put<uint8_t>(layout).put<uint8_t>(transport ? 1 : 0);
    if (transport) w.put<uint8_t>(flags).put<uint8_t>(tempoCode).put<uint8_t>(positionCode);
    if (transport && positionCode == 1) w.put<int64_t>(position);
    if (transport && positionCode == 2) w.put<uint32_t>(static_cast<uint32_t>(position));
    return w.put<uint8_t>(eventCount).raw(events);
}

std::string note(ScriptEvent kind, uint8_t step, uint8_t key, uint8_t noteId = 255,
                 uint8_t velocityCode = 0) {
    ScriptWriter w;
    w.put<uint8_t>(static_cast<uint8_t>(kind)).put<uint8_t>(step).put<uint8_t>(0);
    w.put<uint8_t>(key).put<uint8_t>(noteId).put<uint8_t>(velocityCode);
    return w.text;
}

std::string param(uint8_t step, uint8_t id, uint8_t valueCode) {
    ScriptWriter w;
    w.put<uint8_t>(static_cast<uint8_t>(ScriptEvent::ParamValue)).put<uint8_t>(step).put<uint8_t>(0);
    return w.put<uint8_t>(id).put<uint8_t>(valueCode).text;
}

std::string ownEvent(uint8_t step, uint8_t typeCode, uint8_t size, uint8_t noteId) {
    ScriptWriter w;
    w.put<uint8_t>(static_cast<uint8_t>(ScriptEvent::OwnSpace)).put<uint8_t>(step).put<uint8_t>(size);
    w.put<uint8_t>(typeCode);
    std::string payload(size > 16 ? size - 16 : 0, '\0');
    if (!payload.empty()) payload[0] = static_cast<char>(noteId);
    if (payload.size() > 8) payload[8] = 1;
    return w.raw(payload).text;
}

ScriptWriter& stateLoad(ScriptWriter& w, StateSource source, const std::string& bytes, uint8_t chunkCode,
                        uint8_t failCode) {
    w.action(HostAction::StateLoad).put<uint8_t>(static_cast<uint8_t>(source));
    if (source == StateSource::Bytes) w.put<uint16_t>(static_cast<uint16_t>(bytes.size())).raw(bytes);
    if (source == StateSource::ChangedByte) w.put<uint16_t>(40).put<uint8_t>('!');
    if (source == StateSource::Truncated) w.put<uint16_t>(100);
    return w.put<uint8_t>(chunkCode).put<uint8_t>(failCode);
}

ScriptWriter& presetFactory(ScriptWriter& w, uint8_t index) {
    return w.action(HostAction::PresetLoad)
        .put<uint8_t>(static_cast<uint8_t>(PresetMode::FactoryByIndex))
        .put<uint8_t>(index);
}

Seeds hostScripts(const std::string& document, const std::string& package) {
    Seeds out;
    const std::string playing = note(ScriptEvent::NoteOn, 0, 36, 1, 0) + param(10, 1, 0) +
                                note(ScriptEvent::NoteOn, 20, 43, 2, 2) + ownEvent(0, 1, 40, 2) +
                                param(30, 3, 7) + note(ScriptEvent::NoteOff, 40, 36, 1) +
                                note(ScriptEvent::NoteChoke, 50, 128 + 0, 255) + param(255, 12, 9);
    {
        ScriptWriter w;
        startPlugin(w);
        block(w, 256, 0, true,
              CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING, 0, 5,
              8, playing);
        block(w, 512, 0, true, 0x1F, 0, 0, 0, "");
        w.action(HostAction::StateSave).put<uint8_t>(2).put<uint8_t>(0).put<uint8_t>(0);
        stateLoad(w, StateSource::LastSaved, "", 2, 0);
        presetFactory(w, 3);
        block(w, 128, 1, true, 0x13, 1, 2, 1, note(ScriptEvent::NoteOn, 0, 40), 1u << 31);
        w.action(HostAction::Reset).action(HostAction::Deactivate);
        w.action(HostAction::Flush).put<uint8_t>(2).raw(param(0, 2, 7) + param(0, 12, 10));
        w.action(HostAction::Activate).put<uint32_t>(95000).put<uint16_t>(63);
        block(w, 64, 0, false, 0, 0, 0, 1, note(ScriptEvent::NoteOn, 0, 50));
        w.action(HostAction::Destroy);
        out.push_back({"host-lifecycle", w.text});
    }
    {
        ScriptWriter w;
        startPlugin(w, kOfferState);
        stateLoad(w, StateSource::Bytes, document, 2, 0);   // one byte at a time
        stateLoad(w, StateSource::Bytes, document, 1, 0);   // a stream that reads nothing
        stateLoad(w, StateSource::Bytes, document, 6, 130); // fails after two reads
        stateLoad(w, StateSource::Bytes, package, 7, 0);
        stateLoad(w, StateSource::ChangedByte, "", 0, 0);
        stateLoad(w, StateSource::Truncated, "", 0, 0);
        block(w, 511, 1, false, 0, 0, 0, 2,
              note(ScriptEvent::NoteOn, 0, 30) + note(ScriptEvent::NoteOff, 200, 128));
        out.push_back({"host-state-loads", w.text});
    }
    {
        ScriptWriter w;
        startPlugin(w, 0, 1000, 1);
        w.action(HostAction::PresetLoad).put<uint8_t>(static_cast<uint8_t>(PresetMode::FileBytes));
        w.put<uint16_t>(static_cast<uint16_t>(package.size())).raw(package);
        w.action(HostAction::PresetLoad).put<uint8_t>(static_cast<uint8_t>(PresetMode::MissingFile));
        w.action(HostAction::PresetLoad).put<uint8_t>(static_cast<uint8_t>(PresetMode::Folder));
        w.action(HostAction::PresetLoad)
            .put<uint8_t>(static_cast<uint8_t>(PresetMode::FactoryByKey))
            .put<uint8_t>(4)
            .raw("init");
        w.action(HostAction::PresetLoad).put<uint8_t>(static_cast<uint8_t>(PresetMode::NullKey));
        w.action(HostAction::PresetLoad)
            .put<uint8_t>(static_cast<uint8_t>(PresetMode::OtherKind))
            .put<uint32_t>(2);
        w.action(HostAction::PresetLoad).put<uint8_t>(static_cast<uint8_t>(PresetMode::NullLocation));
        presetFactory(w, 19);
        block(w, 1, 0, false, 0, 0, 0, 1, note(ScriptEvent::NoteOn, 0, 127));
        out.push_back({"host-presets-no-extensions", w.text});
    }
    {
        ScriptWriter w;
        startPlugin(w, kOfferEverything, 768000, 16384);
        std::string events;
        for (uint8_t t = 0; t < 8; ++t) events += ownEvent(1, t, static_cast<uint8_t>(24 + 4 * t), t);
        events += note(ScriptEvent::NoteOn, 0, 60, 3, 5) + param(0, 24, 7) + param(0, 20, 8);
        block(w, 4096, 2, true, CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE, 2, 1, 11,
              events, -(int64_t{3} << 31));
        block(w, 4096, 5, true, 0x1F, 4, 3, 0, "");
        w.action(HostAction::Values).put<uint8_t>(7).put<uint8_t>(6).raw("0x1p-3");
        w.action(HostAction::Session).put<uint8_t>(0).put<uint64_t>(99).put<uint8_t>(0).put<uint8_t>(0x21);
        w.put<uint8_t>(3).raw("abc").put<uint8_t>(0).put<uint8_t>(2).raw("zz");
        w.action(HostAction::StateSave).put<uint8_t>(0).put<uint8_t>(130).put<uint8_t>(0);
        out.push_back({"host-events-and-session", w.text});
    }
    return out;
}

// ---- VST 3 host scripts ----------------------------------------------------------

ScriptWriter& call(ScriptWriter& w, Vst3Action action) {
    return w.put<uint8_t>(static_cast<uint8_t>(action));
}

// Create, initialise, set up (32-bit samples, the block code's size, 48 kHz),
// activate and start processing.
ScriptWriter& vst3Start(ScriptWriter& w, uint8_t blockCode = 0) {
    call(call(w, Vst3Action::Create), Vst3Action::Initialize);
    call(w, Vst3Action::Setup).put<uint8_t>(0).put<uint8_t>(blockCode).put<uint8_t>(0);
    call(w, Vst3Action::Activate).put<uint8_t>(1);
    return call(w, Vst3Action::Processing).put<uint8_t>(1);
}

std::string vst3Note(bool on, uint16_t offset, uint8_t key, uint8_t velocityCode = 200) {
    ScriptWriter w;
    return w.put<uint8_t>(on ? 0 : 1)
        .put<uint8_t>(0)
        .put<uint16_t>(offset)
        .put<uint8_t>(key)
        .put<uint8_t>(velocityCode)
        .put<int8_t>(-1)
        .text;
}

// A queue of points (offset, value code) for the parameter of an id code.
std::string vst3Queue(uint8_t idCode, const std::vector<std::pair<uint16_t, uint8_t>>& points) {
    ScriptWriter w;
    w.put<uint8_t>(idCode).put<uint8_t>(static_cast<uint8_t>(points.size()));
    for (const auto& [offset, value] : points) w.put<uint8_t>(0).put<uint16_t>(offset).put<uint8_t>(value);
    return w.text;
}

std::string vst3EveryFrame(uint8_t idCode) {
    ScriptWriter w;
    return w.put<uint8_t>(idCode).put<uint8_t>(kEveryFrame).text;
}

// A process call: frames, layout, the notes and queues as given, a playing
// context at 120 beats per minute.
ScriptWriter& vst3Block(ScriptWriter& w, uint16_t frames, uint8_t layout,
                        const std::vector<std::string>& notes, const std::vector<std::string>& queues) {
    call(w, Vst3Action::Process).put<uint16_t>(frames).put<uint8_t>(layout);
    w.put<uint8_t>(static_cast<uint8_t>(notes.size()));
    for (const std::string& note : notes) w.raw(note);
    w.put<uint8_t>(static_cast<uint8_t>(queues.size()));
    for (const std::string& queue : queues) w.raw(queue);
    constexpr uint32_t kPlayingWithTempoAndPosition = 2 | 0x200 | 0x400 | 0x800 | 0x2000;
    return w.put<uint32_t>(kPlayingWithTempoAndPosition)
        .put<uint8_t>(96)
        .put<uint8_t>(120)
        .put<uint8_t>(10)
        .put<int8_t>(4)
        .put<int8_t>(4);
}

Seeds vst3Scripts(const std::string& document) {
    Seeds out;
    constexpr uint8_t kTone = 2; // id codes: the id is 1 + code
    constexpr uint8_t kDrive = 1;
    constexpr uint8_t kArcBars = 11;
    constexpr uint8_t kProgram = 210;
    constexpr uint8_t kStereoWithOutputs = 2 | kLayoutOutputs;
    {
        ScriptWriter w;
        vst3Start(w);
        call(w, Vst3Action::Handler).put<uint8_t>(1);
        vst3Block(w, 512, kStereoWithOutputs, {vst3Note(true, 0, 33), vst3Note(false, 300, 33)},
                  {vst3Queue(kTone, {{10, 40}, {400, 200}}), vst3Queue(kProgram, {{0, 120}})});
        call(w, Vst3Action::GetState).put<uint8_t>(0).put<uint8_t>(1);
        call(w, Vst3Action::SetState).put<uint8_t>(1).put<uint8_t>(1);
        call(w, Vst3Action::Program).put<uint8_t>(14);
        vst3Block(w, 256, 1 | kLayoutOutputs, {vst3Note(true, 5, 40)}, {});
        call(w, Vst3Action::SetValue).put<uint8_t>(kDrive).put<uint8_t>(100);
        call(w, Vst3Action::Texts).put<uint8_t>(kArcBars).put<uint8_t>(120).put<uint8_t>(6).raw("9 bars");
        w.put<uint8_t>(60).put<uint8_t>(80);
        call(w, Vst3Action::ComponentState);
        call(w, Vst3Action::Processing).put<uint8_t>(0);
        vst3Block(w, 64, 2 | kLayoutFlush, {}, {vst3Queue(kDrive, {{0, 10}})});
        call(w, Vst3Action::Activate).put<uint8_t>(0);
        call(call(w, Vst3Action::Terminate), Vst3Action::Destroy);
        out.push_back({"vst3-lifecycle", w.text});
    }
    {
        // Blocks with more events than the storage holds: a point on every
        // frame of five parameters in a 16384-frame block, and of two in a
        // block of 300 frames when the host promised blocks of one.
        ScriptWriter w;
        vst3Start(w, 3);
        vst3Block(w, 16384, 2,
                  {vst3Note(true, 0, 28), vst3Note(false, 5000, 28), vst3Note(true, 9000, 31),
                   vst3Note(false, 16000, 31)},
                  {vst3EveryFrame(kTone), vst3EveryFrame(kDrive), vst3EveryFrame(5), vst3EveryFrame(9),
                   vst3EveryFrame(kArcBars)});
        call(w, Vst3Action::Activate).put<uint8_t>(0);
        call(w, Vst3Action::Setup).put<uint8_t>(0).put<uint8_t>(1).put<uint8_t>(0);
        call(w, Vst3Action::Activate).put<uint8_t>(1);
        vst3Block(w, 300, 2, {vst3Note(true, 0, 40), vst3Note(false, 150, 40)},
                  {vst3EveryFrame(kTone), vst3EveryFrame(19)});
        out.push_back({"vst3-busy-blocks", w.text});
    }
    {
        ScriptWriter w;
        vst3Start(w);
        call(w, Vst3Action::SetState).put<uint8_t>(0).put<uint16_t>(static_cast<uint16_t>(document.size()));
        w.raw(document).put<uint8_t>(1);
        call(w, Vst3Action::SetState).put<uint8_t>(4).put<uint16_t>(static_cast<uint16_t>(document.size()));
        w.raw(document).put<uint8_t>(4).put<uint8_t>(2);
        call(w, Vst3Action::SetState).put<uint8_t>(2).put<uint16_t>(3).raw("x{\"").put<uint8_t>(0);
        call(w, Vst3Action::GetState).put<uint8_t>(2).put<uint8_t>(0);
        call(w, Vst3Action::SetState).put<uint8_t>(3).put<uint8_t>(0);
        vst3Block(w, 128, 2, {vst3Note(true, 0, 36)}, {});
        out.push_back({"vst3-states", w.text});
    }
    return out;
}

// ---- writing --------------------------------------------------------------------

void writeSeeds(const fs::path& folder, const Seeds& seeds) {
    fs::create_directories(folder);
    for (const fs::path& old : fs::directory_iterator(folder)) {
        if (old.filename().string().rfind("seed-", 0) == 0) fs::remove(old);
    }
    for (const Seed& seed : seeds) {
        std::ofstream(folder / ("seed-" + seed.name), std::ios::binary) << seed.bytes;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];

    Seeds states;
    for (const plugin::FactorySound& sound : plugin::factorySounds()) {
        states.push_back(
            {"state-" + slug(sound.name),
             presets::writeSoundDocument(document::InstanceDocument{}, sound.sound, std::nullopt)});
    }
    Seeds documents;
    for (const auto& [name, body] : richDocuments()) documents.push_back({"doc-" + name, body});
    const std::string document = documents[1].bytes; // the one with an audition
    const Seeds zips = packages(document);

    Seeds json = documents;
    // A handful of the factory states is enough for the JSON layer.
    json.insert(json.end(), states.begin(), states.begin() + 3);
    json.push_back({"clip", kClip});
    int n = 0;
    for (const std::string& edge : jsonEdges()) json.push_back({"edge-" + std::to_string(n++), edge});

    Seeds instance = documents;
    instance.insert(instance.end(), states.begin(), states.end());

    Seeds package = zips;
    package.push_back({"bare-bom", documents.back().bytes});
    package.push_back({"not-a-package", "[1]"});

    Seeds load = documents;
    load.insert(load.end(), states.begin(), states.end());
    load.insert(load.end(), zips.begin(), zips.end());

    writeSeeds(root / "document_json", json);
    writeSeeds(root / "document_instance", instance);
    writeSeeds(root / "archive_inflate", deflateStreams(states[5].bytes + kClip));
    writeSeeds(root / "archive_package", package);
    writeSeeds(root / "presets_load_sound", load);
    writeSeeds(root / "plugin_host", hostScripts(document, zips[1].bytes));
    writeSeeds(root / "vst3_host", vst3Scripts(document));
    return 0;
}
