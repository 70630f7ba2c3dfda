// Time to load, save and describe for discovery one instance document, for the
// realistic 7 KB sound and for documents of the shapes that cost the most per
// byte: about 64,000 members in one object (params, meta, the top level, the
// expression members of one clip note, keys sharing a long prefix) and texts
// near the 4 MiB limit that hold the most values (all small numbers, many
// short strings, deep nesting, automation lanes). Every document must load,
// save and be described in well under half a second.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "document/instance_document.h"
#include "plugin/factory_sounds.h"
#include "presets/preset_file.h"
#include "presets/sound_loader.h"
#include "presets/sound_writer.h"

namespace {

using fennrow::document::DiagnosticList;
using fennrow::document::InstanceDocument;

// As wide as an object gets in a document that also holds a sound, below the
// 65,536 values that earlier versions took.
constexpr int kWideMembers = 64000;
constexpr std::size_t kNearLimitBytes = 4000000;
constexpr std::uint64_t kSeed = 0x0123456789abcdefULL;

const std::uint8_t* bytesOf(const std::string& text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

// The longest factory sound as fennrow saves it, with its name: about 7 KB.
std::string realisticSound() {
    std::string longest;
    for (const fennrow::plugin::FactorySound& factory : fennrow::plugin::factorySounds()) {
        DiagnosticList list;
        const std::string meta = R"({"kind":"instance","meta":{"name":")" + factory.name +
                                 R"(","category":")" + factory.category + R"("}})";
        InstanceDocument named;
        fennrow::presets::loadSound(named, bytesOf(meta), meta.size(), list);
        std::string text = fennrow::presets::writeSoundDocument(named, factory.sound, kSeed);
        if (text.size() > longest.size()) longest = std::move(text);
    }
    return longest;
}

// The realistic sound with `members` put in front of its first member.
std::string withLeadingMembers(const std::string& members) {
    std::string text = realisticSound();
    text.insert(1, members + ",");
    return text;
}

std::string numbered(const std::string& prefix, int i) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05d", i);
    return prefix + digits;
}

// `count` members "<prefix>NNNNN":value, joined by commas.
std::string manyMembers(const std::string& prefix, int count, const std::string& value) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += ',';
        out += '"' + numbered(prefix, i) + "\":" + value;
    }
    return out;
}

// `item` repeated, joined by commas, until the text is about `bytes` long.
std::string manyItems(const std::string& item, std::size_t bytes) {
    std::string out;
    while (out.size() + item.size() + 1 < bytes) {
        if (!out.empty()) out += ',';
        out += item;
    }
    return out;
}

// The realistic sound with `members` put in front of the members of its
// object `key`.
std::string withMembersIn(const std::string& key, const std::string& members) {
    std::string text = realisticSound();
    const std::string opening = '"' + key + "\":{";
    text.insert(text.find(opening) + opening.size(), members + ",");
    return text;
}

std::string wideParams() { return withMembersIn("params", manyMembers("p", kWideMembers, "0.5")); }

std::string wideMeta() { return withMembersIn("meta", manyMembers("k", kWideMembers, "\"v\"")); }

std::string wideTopLevel() { return withLeadingMembers(manyMembers("x", kWideMembers, "1")); }

std::string wideNoteExpression() {
    return withLeadingMembers(R"("audition":{"kind":"clip","notes":[{"at":0,"pitch":40,"expr":{)" +
                              manyMembers("e", kWideMembers, "0.5") + "}}]}");
}

std::string sharedLongPrefix() {
    return withMembersIn("meta", manyMembers(std::string(48, 'k'), kWideMembers, "1"));
}

std::string smallNumbers() {
    return withLeadingMembers("\"hints\":[" + manyItems("0", kNearLimitBytes) + "]");
}

std::string shortStrings() {
    return withLeadingMembers("\"hints\":[" + manyItems("\"\"", kNearLimitBytes) + "]");
}

// Chains of arrays 200 deep, side by side.
std::string deepNesting() {
    const std::string chain = std::string(200, '[') + std::string(200, ']');
    return withLeadingMembers("\"hints\":[" + manyItems(chain, kNearLimitBytes) + "]");
}

// The same chains inside the sound's state, which a save writes anew rather
// than keeping as read.
std::string deepNestingInState() {
    const std::string chain = std::string(200, '[') + std::string(200, ']');
    return withMembersIn("state", "\"kept\":[" + manyItems(chain, kNearLimitBytes) + "]");
}

// An audition clip of as many short notes as still load once a save has
// given each its velocity.
std::string manyNotes() {
    return withLeadingMembers(R"("audition":{"kind":"clip","notes":[)" +
                              manyItems(R"({"at":0,"pitch":40})", kNearLimitBytes / 2) + "]}");
}

// A 64-bar audition clip at 120 bpm with two automation lanes of 100 points a
// second, as a recording leaves them.
std::string automationLanes() {
    constexpr int kPoints = 64 * 4 * 50;
    std::string lanes;
    for (const char* target : {"tone", "drive"}) {
        if (!lanes.empty()) lanes += ',';
        lanes += R"({"target":")" + std::string(target) + R"(","points":[)";
        for (int i = 0; i < kPoints; ++i) {
            if (i > 0) lanes += ',';
            char point[64];
            std::snprintf(point, sizeof point, R"({"at":%.2f,"v":%.4f})", i * 0.02,
                          0.5 + 0.4 * ((i % 97) / 97.0));
            lanes += point;
        }
        lanes += "]}";
    }
    return withLeadingMembers(R"("audition":{"kind":"clip","length":256,"notes":[],"lanes":[)" + lanes +
                              "]}");
}

struct Shape {
    const char* name;
    std::string (*make)();
};

constexpr Shape kShapes[] = {
    {"realistic_7KB", realisticSound},
    {"wide_params", wideParams},
    {"wide_meta", wideMeta},
    {"wide_top_level", wideTopLevel},
    {"wide_note_expr", wideNoteExpression},
    {"keys_long_prefix", sharedLongPrefix},
    {"small_numbers_4MB", smallNumbers},
    {"short_strings_4MB", shortStrings},
    {"deep_nesting_4MB", deepNesting},
    {"deep_nesting_in_state_4MB", deepNestingInState},
    {"many_notes_4MB", manyNotes},
    {"automation_lanes", automationLanes},
};

void report(benchmark::State& state, const std::string& text) {
    state.counters["doc_KB"] = static_cast<double>(text.size()) / 1e3;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// `text` loaded into `retained` as the plugin loads it; nothing, with the
// benchmark marked failed, when it is refused.
std::optional<fennrow::engine::SoundSnapshot> loadOrSkip(benchmark::State& state, InstanceDocument& retained,
                                                         const std::string& text) {
    DiagnosticList list;
    std::optional<fennrow::engine::SoundSnapshot> sound =
        fennrow::presets::loadSound(retained, bytesOf(text), text.size(), list);
    if (!sound) state.SkipWithError("the document did not load");
    return sound;
}

void load(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        InstanceDocument retained;
        if (!loadOrSkip(state, retained, text)) return;
        benchmark::DoNotOptimize(retained);
    }
    report(state, text);
}

void save(benchmark::State& state, const std::string& text) {
    InstanceDocument retained;
    const std::optional<fennrow::engine::SoundSnapshot> sound = loadOrSkip(state, retained, text);
    if (!sound) return;
    for (auto _ : state) {
        const std::string saved = fennrow::presets::writeSoundDocument(retained, *sound, kSeed);
        benchmark::DoNotOptimize(saved.data());
    }
    report(state, text);
}

void describe(benchmark::State& state, const std::string& text) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("fennrow-bench-" + std::to_string(::getpid()) + ".json");
    std::ofstream(file, std::ios::binary) << text;
    for (auto _ : state) {
        const fennrow::presets::PresetFileRead read = fennrow::presets::readPresetFile(file.string());
        if (!read.sound) {
            state.SkipWithError("the preset was not described");
            break;
        }
        benchmark::DoNotOptimize(read.document);
    }
    std::filesystem::remove(file);
    report(state, text);
}

struct Operation {
    const char* name;
    void (*run)(benchmark::State&, const std::string&);
};

constexpr Operation kOperations[] = {{"load", load}, {"save", save}, {"describe", describe}};

int registerAll() {
    for (const Shape& shape : kShapes) {
        // Made once, when the first of its benchmarks runs.
        auto text = std::make_shared<std::optional<std::string>>();
        for (const Operation& operation : kOperations) {
            benchmark::RegisterBenchmark((std::string(operation.name) + "/" + shape.name).c_str(),
                                         [text, shape, operation](benchmark::State& state) {
                                             if (!*text) *text = shape.make();
                                             operation.run(state, **text);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.2);
        }
    }
    return 0;
}

const int kRegistered = registerAll();

} // namespace

BENCHMARK_MAIN();
