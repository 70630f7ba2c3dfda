#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clip_test_support.h"
#include "document/clip/clip_reader.h"
#include "document/clip/clip_writer.h"

namespace fennrow::test {
namespace {

using test::parse;

std::string rewrite(const std::string& text) {
    document::DiagnosticList list;
    const std::optional<document::Clip> clip = readClip(parse(text), list);
    if (!clip) return "(no clip)";
    return writeJson(writeClip(*clip));
}

TEST(WriteClip, DefaultClip) {
    EXPECT_EQ(writeJson(writeClip(document::Clip{})),
              R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[]})");
}

TEST(WriteClip, BuiltInMemory) {
    document::Clip clip;
    clip.formatVersion = 3;
    clip.seed = 255;
    document::ClipNote note;
    note.at = 0.5;
    note.pitch = 40;
    note.len = 0.25;
    note.slide = true;
    document::NoteExpression curve;
    curve.isCurve = true;
    curve.points = {{0, 0}, {1, 0.5}};
    setExpression(note, "bend", curve);
    clip.notes.push_back(note);
    document::Lane lane;
    lane.target = "cutoff";
    clip.lanes.push_back(lane);
    document::MeterPoint meter;
    meter.num = 7;
    meter.den = 8;
    clip.meter.push_back(meter);
    EXPECT_EQ(
        writeJson(writeClip(clip)),
        R"({"kind":"clip","spec":"1.0","formatVersion":3,"seed":"00000000000000ff",)"
        R"("extensions":["com.brightmoss.slide/1"],"length":4,"grid":"1/16",)"
        R"("meter":[{"at":0,"num":7,"den":8}],)"
        R"("notes":[{"at":0.5,"len":0.25,"pitch":40,"vel":1,"expr":{"bend":[[0,0],[1,0.5]]},"slide":true}],)"
        R"("lanes":[{"target":"cutoff","points":[]}]})");
}

// Each case: a clip document as stored, and the text it is written back as.
struct RewriteCase {
    const char* name;
    const char* in;
    const char* out; // null: written back byte for byte
};

TEST(WriteClip, ReadAndWrittenAgain) {
    const RewriteCase cases[] = {
        {"known keys in the designed order, unknown ones after them in document order",
         R"({"zz":1,"notes":[],"grid":"1/8","length":8.0,"kind":"clip","a":2,"spec":"1.2","id":"x"})",
         R"({"kind":"clip","spec":"1.0","id":"x","length":8.0,"grid":"1/8","notes":[],"zz":1,"a":2})"},
        {"number spellings survive",
         R"({"kind":"clip","spec":"1.0","length":4.00,"grid":"1/16","tempo":[{"at":0,"bpm":120.0},{"at":1.50,"bpm":9e1}],)"
         R"("notes":[{"at":1.50,"pitch":40,"vel":1E0,"len":0.50}]})",
         R"({"kind":"clip","spec":"1.0","length":4.00,"grid":"1/16","tempo":[{"at":0,"bpm":120.0},{"at":1.50,"bpm":9e1}],)"
         R"("notes":[{"at":1.50,"len":0.50,"pitch":40,"vel":1E0}]})"},
        {"vel always written", R"({"kind":"clip","spec":"1.0","notes":[{"at": 1.50, "pitch": 40}]})",
         R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[{"at":1.50,"pitch":40,"vel":1}]})"},
        {"defaults left out",
         R"({"kind":"clip","spec":"1.0","id":"","plugin":"","source":null,"ext":{},)"
         R"("notes":[{"at":0,"pitch":1,"nudge":0,"slide":false,"rand":{"vel":0,"nudge":0},"ext":{}}]})",
         R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[{"at":0,"pitch":1,"vel":1,"rand":{}}]})"},
        {"an ext that is not an object is kept",
         R"({"kind":"clip","spec":"1.0","notes":[{"ext":"x","at":0,"pitch":1}],"ext":[1.50]})",
         R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[{"at":0,"pitch":1,"vel":1,"ext":"x"}],"ext":[1.50]})"},
        {"unreadable grid in its place, bad seed after known keys",
         R"({"kind":"clip","spec":"1.0","seed":5,"grid":"1/0","notes":[]})",
         R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/0","notes":[],"seed":5})"},
        {"undeclared extensions appended, declared versions kept, kept entries after the ids",
         R"({"kind":"clip","spec":"1.0","extensions":[7,"com.brightmoss.voices/2"],)"
         R"("notes":[{"at":0,"voice":"v","slide":true}]})",
         R"({"kind":"clip","spec":"1.0","extensions":["com.brightmoss.voices/2","com.brightmoss.slide/1",7],)"
         R"("length":4,"grid":"1/16","notes":[{"at":0,"voice":"v","vel":1,"slide":true}]})"},
        {"extensions that is no list stays as written",
         R"({"kind":"clip","spec":"1.0","extensions":"x","notes":[{"at":0,"pitch":1,"slide":true}]})",
         R"({"kind":"clip","spec":"1.0","extensions":"x","length":4,"grid":"1/16","notes":[{"at":0,"pitch":1,"vel":1,"slide":true}]})"},
        {"kept elements in their places",
         R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","tempo":[{"at":0,"bpm":0},{"at":1,"bpm":90}],)"
         R"("meter":[{"at":0,"num":0.5,"den":4},{"at":0,"num":3,"den":4}],"swing":[{"bar":1},{"bar":1,"grid":"1/8","amount":0.6}],)"
         R"("notes":[7,{"at":0,"pitch":1,"vel":1},{"pitch":2}],)"
         R"("lanes":[{"target":""},{"target":"t","points":[{"at":0,"v":1},{"at":1},{"at":2,"v":{"q":[1.0]}}]}]})",
         nullptr},
        {"wrong types written back at their key or after the known keys",
         R"({"kind":"clip","spec":"1.0","tempo":{"a":1},"length":"x","lanes":[{"target":"t","points":"none"}],)"
         R"("swing":[{"bar":1,"grid":16,"amount":0.60}],"notes":[{"at":0,"pitch":1,"vel":"loud","expr":5}]})",
         R"({"kind":"clip","spec":"1.0","length":"x","grid":"1/16","swing":[{"bar":1,"grid":16,"amount":0.60}],)"
         R"("notes":[{"at":0,"pitch":1,"vel":"loud","expr":5}],"lanes":[{"target":"t","points":"none"}],"tempo":{"a":1}})"},
        {"integers read with a fraction are written truncated",
         R"({"kind":"clip","spec":"1.0","formatVersion":2.9,"meter":[{"at":0,"num":3.9,"den":4}],"swing":[{"bar":2.5,"amount":0.5}],"notes":[]})",
         R"({"kind":"clip","spec":"1.0","formatVersion":2,"length":4,"grid":"1/16","meter":[{"at":0,"num":3,"den":4}],)"
         R"("swing":[{"bar":2,"grid":"1/16","amount":0.5}],"notes":[]})"},
        {"integers beyond 32 bits are written saturated",
         R"({"kind":"clip","spec":"1.0","formatVersion":1e12,"meter":[{"at":0,"num":1e12,"den":4}],"swing":[{"bar":-1e12,"amount":0.5}],"notes":[]})",
         R"({"kind":"clip","spec":"1.0","formatVersion":2147483647,"length":4,"grid":"1/16","meter":[{"at":0,"num":2147483647,"den":4}],)"
         R"("swing":[{"bar":-2147483648,"grid":"1/16","amount":0.5}],"notes":[]})"},
        {"everything a note has, in the designed order",
         R"({"kind":"clip","spec":"1.0","extensions":["com.brightmoss.voices/1","com.brightmoss.per-note-params/1",)"
         R"("com.brightmoss.note-random/1","com.brightmoss.slide/1"],"length":4,"grid":"1/16",)"
         R"("voices":{"v":"Bass"},"sounds":{"s":"Sub"},"notes":[{"q":0,"ext":{"e":1},"slide":true,"rand":{"z":1,"params":{"p":0.10},"pan":0.5,"nudge":0.01,"vel":0.2},)"
         R"("expr":{"b":[],"a":[[1.0,0.50],[0,0]],"c":0.25},"add":{"x":1},"set":{"y":"on"},"sound":"s","rel":0.1,)"
         R"("vel":0.9,"tune":0.5,"pitch":3,"len":1,"voice":"v","nudge":-0.02,"at":0}]})",
         R"({"kind":"clip","spec":"1.0","extensions":["com.brightmoss.voices/1","com.brightmoss.per-note-params/1",)"
         R"("com.brightmoss.note-random/1","com.brightmoss.slide/1"],"length":4,"grid":"1/16",)"
         R"("voices":{"v":"Bass"},"sounds":{"s":"Sub"},"notes":[{"at":0,"nudge":-0.02,"voice":"v","len":1,"pitch":3,)"
         R"("tune":0.5,"vel":0.9,"rel":0.1,"sound":"s","set":{"y":"on"},"add":{"x":1},)"
         R"("expr":{"b":[],"a":[[1.0,0.50],[0,0]],"c":0.25},"rand":{"vel":0.2,"nudge":0.01,"pan":0.5,"params":{"p":0.10},"z":1},)"
         R"("slide":true,"ext":{"e":1},"q":0}]})"},
        {"lanes and swing in the designed order",
         R"({"kind":"clip","spec":"1.0","extensions":["com.brightmoss.voices/1"],"length":4,"grid":"1/16",)"
         R"("swing":[{"q":1,"amount":0.55,"voice":"v","grid":"1/8","bar":0}],"notes":[],)"
         R"("lanes":[{"q":1,"points":[{"curve":"Linear","v":"x","at":0,"q":2}],"instance":"i","voice":"v","target":"t","id":"l"}],)"
         R"("source":{"app":"x"},"ext":{"y":1}})",
         R"({"kind":"clip","spec":"1.0","extensions":["com.brightmoss.voices/1"],"length":4,"grid":"1/16",)"
         R"("swing":[{"bar":0,"grid":"1/8","voice":"v","amount":0.55,"q":1}],"notes":[],)"
         R"("lanes":[{"id":"l","target":"t","voice":"v","instance":"i","points":[{"at":0,"v":"x","curve":"Linear","q":2}],"q":1}],)"
         R"("source":{"app":"x"},"ext":{"y":1}})"},
        {"bad expressions kept as written",
         R"({"kind":"clip","spec":"1.0","notes":[{"at":0,"pitch":1,"expr":{"a":[[0,1.0],[1]],"b":"up","c":[]}}]})",
         R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[{"at":0,"pitch":1,"vel":1,"expr":{"a":[[0,1.0],[1]],"b":"up","c":[]}}]})"},
    };
    for (const RewriteCase& c : cases) {
        const std::string expected = c.out != nullptr ? c.out : writeJson(parse(c.in));
        const std::string once = rewrite(c.in);
        EXPECT_EQ(once, expected) << c.name;
        // Writing is a fixed point: a written clip reads and writes back the same.
        EXPECT_EQ(rewrite(once), once) << c.name;
    }
}

} // namespace
} // namespace fennrow::test
