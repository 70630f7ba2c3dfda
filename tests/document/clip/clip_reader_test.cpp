#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "clip_test_support.h"
#include "document/clip/clip_reader.h"

namespace fennrow::test {
namespace {

using test::findings;
using test::parse;

std::string clipText(const std::string& members) {
    return std::string(R"({"kind":"clip","spec":"1.0")") + (members.empty() ? "" : "," + members) + "}";
}

struct FindingCase {
    const char* name;
    std::string members; // top-level members after kind and spec
    std::vector<std::string> expected;
};

void expectFindings(const std::vector<FindingCase>& cases) {
    for (const FindingCase& c : cases) {
        document::DiagnosticList list;
        const std::optional<document::Clip> clip = readClip(parse(clipText(c.members)), list);
        EXPECT_TRUE(clip.has_value()) << c.name;
        EXPECT_EQ(findings(list), c.expected) << c.name;
    }
}

TEST(ReadClip, RefusesOnlyWhatIsNotAClip) {
    struct Case {
        const char* text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"5", {"error not-a-document "}},
        {"[]", {"error not-a-document "}},
        {R"({"kind":"instance","spec":"1.0"})", {"error wrong-kind /kind"}},
        {R"({"spec":"1.0"})", {"error wrong-kind /kind"}},
    };
    for (const Case& c : cases) {
        document::DiagnosticList list;
        EXPECT_FALSE(readClip(parse(c.text), list).has_value()) << c.text;
        EXPECT_EQ(findings(list), c.expected) << c.text;
    }
    document::DiagnosticList list;
    EXPECT_TRUE(readClip(parse(R"({"kind":"clip"})"), list).has_value());
    EXPECT_EQ(findings(list), std::vector<std::string>{"note spec-missing /spec"});
}

TEST(ReadClip, TopLevelFindings) {
    expectFindings({
        {"all known members fine",
         R"("id":"c","plugin":"p","formatVersion":1,"seed":"00000000000000ff","length":8,"grid":"1/8",)"
         R"("tempo":[],"meter":[],"swing":[],"notes":[],"lanes":[],"source":null,"ext":{})",
         {}},
        {"tempo as object", R"("tempo":{})", {"warning wrong-type /tempo"}},
        {"seed as number", R"("seed":255)", {"warning bad-seed /seed"}},
        {"seed too short", R"("seed":"ff")", {"warning bad-seed /seed"}},
        {"seed of 17 digits", R"("seed":"00000000000000fff")", {"warning bad-seed /seed"}},
        {"seed with a non-hex digit", R"("seed":"00000000000000fg")", {"warning bad-seed /seed"}},
        {"grid not a note value", R"("grid":"1/0")", {"warning bad-grid /grid"}},
        {"grid as number", R"("grid":8)", {"warning bad-grid /grid"}},
        {"length as string", R"("length":"long")", {"warning wrong-type /length"}},
        {"id, plugin, formatVersion wrongly typed",
         R"("id":1,"plugin":[],"formatVersion":"2")",
         {"warning wrong-type /id", "warning wrong-type /plugin", "warning wrong-type /formatVersion"}},
        {"voices holding a number",
         R"("extensions":["com.brightmoss.voices/1"],"voices":{"a":"A","b":2})",
         {"warning wrong-type /voices/b"}},
        {"voices undeclared", R"("voices":{"a":"A"})", {"note extension-undeclared /extensions"}},
        {"voices declared at another version",
         R"("extensions":["com.brightmoss.voices/2"],"voices":{"a":"A"})",
         {}},
        {"notes, lanes and voices wrongly typed",
         R"("voices":[],"notes":{},"lanes":"x")",
         {"warning wrong-type /voices", "warning wrong-type /notes", "warning wrong-type /lanes"}},
    });
}

TEST(ReadClip, NoteFindings) {
    expectFindings({
        {"note that is a number", R"("notes":[5])", {"warning bad-note /notes/0"}},
        {"empty note", R"("notes":[{}])", {"warning note-without-at /notes/0"}},
        {"at as string, other keys unread",
         R"("notes":[{"at":"1","vel":"x"}])",
         {"warning wrong-type /notes/0/at", "warning note-without-at /notes/0"}},
        {"only at", R"("notes":[{"at":0}])", {"warning note-without-pitch /notes/0"}},
        {"empty voice with pitch", R"("notes":[{"at":0,"voice":"","pitch":40}])", {}},
        {"voiced with pitch",
         R"("extensions":["com.brightmoss.voices/1"],"notes":[{"at":0,"voice":"v","pitch":40}])",
         {"warning voiced-note-with-pitch /notes/0"}},
        {"tune without voice",
         R"("notes":[{"at":0,"pitch":40,"tune":0.5}])",
         {"warning tune-without-voice /notes/0", "note extension-undeclared /extensions"}},
        {"no pitch and a tune",
         R"("notes":[{"at":0,"tune":0.5}])",
         {"warning note-without-pitch /notes/0", "warning tune-without-voice /notes/0",
          "note extension-undeclared /extensions"}},
        {"wrongly typed keys in key order",
         R"("notes":[{"slide":"yes","vel":"x","nudge":[],"at":0,"pitch":40,"voice":5,"expr":1,"rand":[]}])",
         {"warning wrong-type /notes/0/nudge", "warning wrong-type /notes/0/vel",
          "warning wrong-type /notes/0/expr", "warning wrong-type /notes/0/rand",
          "warning wrong-type /notes/0/voice", "warning wrong-type /notes/0/slide"}},
        {"expressions",
         R"("notes":[{"at":0,"pitch":1,"expr":{"a":0.5,"b":[[0,0],[1,1]],"c":[[0,0],[1]],"d":"up","e":[],)"
         R"("a/b~":[5]}}])",
         {"warning bad-expression /notes/0/expr/c/1", "warning bad-expression /notes/0/expr/d",
          "warning bad-expression /notes/0/expr/a~1b~0/0"}},
        {"set, add and rand params checked",
         R"("extensions":["com.brightmoss.per-note-params/1","com.brightmoss.note-random/1"],)"
         R"("notes":[{"at":0,"pitch":1,"set":{"a":"x","b":0.3,"c":true},"add":{"a":"x","b":1},)"
         R"("rand":{"vel":"x","params":{"p":null,"q":1}}}])",
         {"warning wrong-type /notes/0/rand/vel", "warning wrong-type /notes/0/rand/params/p",
          "warning wrong-type /notes/0/set/c", "warning wrong-type /notes/0/add/a"}},
        {"a second note keeps its index",
         R"("notes":[{"at":0,"pitch":1},{"at":1}])",
         {"warning note-without-pitch /notes/1"}},
        {"slide undeclared",
         R"("notes":[{"at":0,"pitch":1,"slide":true}])",
         {"note extension-undeclared /extensions"}},
    });
}

TEST(ReadClip, TakesTheValuesOfKnownMembers) {
    document::DiagnosticList list;
    const std::optional<document::Clip> clip = readClip(
        parse(clipText(
            R"("id":"c1","plugin":"com.x","formatVersion":2.9,"seed":"00000000000000FF","length":8.5,)"
            R"("grid":"1/8","source":null,"ext":"e","zz":1,"extensions":["com.brightmoss.slide/1",7],)"
            R"("notes":[{"at":1.5,"len":0.5,"vel":0.8,"pitch":40,"rel":0.2,"nudge":0.01,"slide":true,)"
            R"("expr":{"a":0.5,"b":[[0,0],[1,2]]},"rand":{"vel":0.1},"ext":[1]}])")),
        list);
    ASSERT_TRUE(clip.has_value());
    EXPECT_EQ(findings(list), std::vector<std::string>{"warning bad-extension-id /extensions/1"});
    EXPECT_EQ(clip->id, "c1");
    EXPECT_EQ(clip->plugin, "com.x");
    EXPECT_EQ(clip->formatVersion, 2);
    EXPECT_EQ(clip->seed, 255u);
    EXPECT_EQ(clip->length, 8.5);
    EXPECT_EQ(clip->grid, "1/8");
    EXPECT_EQ(clip->source.type(), document::JsonType::Null);
    EXPECT_EQ(clip->ext.string(), "e");
    ASSERT_EQ(clip->extensionIds.size(), 1u);
    EXPECT_EQ(clip->extensionIds[0].id, "com.brightmoss.slide");
    ASSERT_EQ(clip->unreadableExtensions.size(), 1u);
    ASSERT_EQ(clip->remainder.members().size(), 1u);
    EXPECT_EQ(clip->remainder.members()[0].key, "zz");
    ASSERT_EQ(clip->notes.size(), 1u);
    const document::ClipNote& note = clip->notes[0];
    EXPECT_EQ(note.at, 1.5);
    EXPECT_EQ(note.len, 0.5);
    EXPECT_EQ(note.vel, 0.8);
    EXPECT_EQ(note.pitch, 40.0);
    EXPECT_EQ(note.rel, 0.2);
    EXPECT_EQ(note.nudge, 0.01);
    EXPECT_TRUE(note.slide);
    EXPECT_FALSE(note.tune.has_value());
    ASSERT_EQ(note.expr.size(), 2u);
    EXPECT_FALSE(note.expr[0].expression.isCurve);
    EXPECT_EQ(note.expr[0].expression.value, 0.5);
    EXPECT_TRUE(note.expr[1].expression.isCurve);
    ASSERT_EQ(note.expr[1].expression.points.size(), 2u);
    EXPECT_EQ(note.expr[1].expression.points[1].value, 2.0);
    ASSERT_TRUE(note.rand.has_value());
    EXPECT_EQ(note.rand->vel, 0.1);
    EXPECT_EQ(note.ext.items().size(), 1u);
}

TEST(ReadClip, OutOfRangeFormatVersionSaturates) {
    struct Case {
        const char* value;
        int32_t expected;
    };
    const Case cases[] = {{"2.9", 2},
                          {"-2.9", -2},
                          {"1e10", 2147483647},
                          {"-1e300", -2147483647 - 1},
                          {"2147483648", 2147483647},
                          {"-nan", 0}};
    for (const Case& c : cases) {
        document::DiagnosticList list;
        const std::optional<document::Clip> clip =
            readClip(parse(clipText(std::string("\"formatVersion\":") + c.value)), list);
        ASSERT_TRUE(clip.has_value());
        EXPECT_EQ(clip->formatVersion, c.expected) << c.value;
    }
}

TEST(ReadClip, KeptNotesHoldDefaultsAndTheirText) {
    document::DiagnosticList list;
    const std::optional<document::Clip> clip =
        readClip(parse(clipText(R"("notes":[{"at":1,"pitch":2},{"pitch":3,"voice":"v"},"x"])")), list);
    ASSERT_TRUE(clip.has_value());
    ASSERT_EQ(clip->notes.size(), 3u);
    EXPECT_FALSE(clip->notes[0].keptAsWritten);
    EXPECT_TRUE(clip->notes[1].keptAsWritten);
    EXPECT_FALSE(clip->notes[1].pitch.has_value());
    EXPECT_EQ(clip->notes[1].voice, "");
    EXPECT_EQ(clip->notes[1].asRead, parse(R"({"pitch":3,"voice":"v"})"));
    EXPECT_TRUE(clip->notes[2].keptAsWritten);
    EXPECT_EQ(clip->notes[2].asRead.string(), "x");
    // The kept voiced note does not count as using voices.
    EXPECT_EQ(findings(list),
              (std::vector<std::string>{"warning note-without-at /notes/1", "warning bad-note /notes/2"}));
}

TEST(ReadClip, MessagesAreExact) {
    document::DiagnosticList list;
    readClip(parse(clipText(R"("seed":1,"grid":2,"length":"x","voices":{"v":1},"notes":[1,{},{"at":0},)"
                            R"({"at":0,"voice":"v","pitch":1},{"at":0,"pitch":1,"tune":1,)"
                            R"("expr":{"a":[[0]],"b":"x"},"set":{"c":true},"add":{"d":"x"},"slide":"no"}])")),
             list);
    const std::vector<std::string> expected = {
        "A seed is 16 hex digits; kept as written, not used",
        "Expected a number; kept as written, not applied", // length comes before grid
        "Unreadable grid; kept as written",
        "Expected a name; kept as written, not applied",
        "Expected a note object; kept as written, not played",
        "A note needs `at`; kept as written, not played",
        "An unvoiced note needs `pitch`; not played",
        "A voiced note carries `voice`, never `pitch`; pitch ignored",
        "Expected [beatsFromNoteStart, value]; the expression is kept as written, not played",
        "Expected a number or a curve; kept as written, not played",
        "Expected a value or choice id; kept as written, not applied",
        "Expected a number; kept as written, not applied",
        "Expected true or false; kept as written, not applied",
        "`tune` belongs to a voiced note; ignored",
        "The clip uses com.brightmoss.voices/1 without declaring it; read as declared",
        "The clip uses com.brightmoss.per-note-params/1 without declaring it; read as declared",
    };
    std::vector<std::string> messages;
    for (const document::Diagnostic& d : list) messages.push_back(d.message);
    EXPECT_EQ(messages, expected);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.back().severity, document::Severity::Note);
}

} // namespace
} // namespace fennrow::test
