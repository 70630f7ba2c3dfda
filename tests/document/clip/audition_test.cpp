#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clip_test_support.h"
#include "document/instance_document.h"

namespace fennrow::test {
namespace {

using test::findings;
using test::parse;

constexpr const char* kHead = R"({"kind":"instance","spec":"1.0","plugin":"com.brightmoss.fennrow")";

struct AuditionCase {
    const char* name;
    std::string in;
    std::vector<std::string> expected;
    std::string out;
};

TEST(Audition, ReadAndWrittenWithTheInstance) {
    const std::string head = kHead;
    const AuditionCase cases[] = {
        {"not an object: errors of the clip, then bad-audition; written back where it was kept",
         head + R"(,"audition":5,"params":{}})",
         {"error not-a-document /audition", "warning bad-audition /audition"},
         head + R"(,"formatVersion":1,"scope":"complete","params":{},"state":{},"audition":5})"},
        {"wrong kind",
         head + R"(,"audition":{"kind":"instance","notes":[]}})",
         {"error wrong-kind /audition/kind", "warning bad-audition /audition"},
         head +
             R"(,"formatVersion":1,"scope":"complete","params":{},"state":{},"audition":{"kind":"instance","notes":[]}})"},
        {"a clip's findings re-based, the audition declared on write",
         head + R"(,"audition":{"kind":"clip","notes":[{"pitch":1},{"at":1.50,"pitch":40,"slide":true}]}})",
         {"note spec-missing /audition/spec", "warning note-without-at /audition/notes/0",
          "note extension-undeclared /audition/extensions"},
         head +
             R"(,"formatVersion":1,"scope":"complete","extensions":["com.brightmoss.audition/1"],"params":{},"state":{},)"
             R"("audition":{"kind":"clip","spec":"1.0","extensions":["com.brightmoss.slide/1"],"length":4,"grid":"1/16",)"
             R"("notes":[{"pitch":1},{"at":1.50,"pitch":40,"vel":1,"slide":true}]}})"},
        {"a declared audition id of another version stays alone",
         head +
             R"(,"extensions":["x.y/3","com.brightmoss.audition/2"],"audition":{"kind":"clip","spec":"1.0"}})",
         {},
         head +
             R"(,"formatVersion":1,"scope":"complete","extensions":["x.y/3","com.brightmoss.audition/2"],)"
             R"("params":{},"state":{},"audition":{"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[]}})"},
        {"declared without an audition: nothing added, nothing reported",
         head + R"(,"extensions":["com.brightmoss.audition/1"]})",
         {},
         head +
             R"(,"formatVersion":1,"scope":"complete","extensions":["com.brightmoss.audition/1"],"params":{},"state":{}})"},
        {"no audition: no member, no declaration",
         head + "}",
         {},
         head + R"(,"formatVersion":1,"scope":"complete","params":{},"state":{}})"},
        {"the audition goes between assets and ext; escaped paths stay escaped",
         head +
             R"(,"ext":{"a":1},"audition":{"kind":"clip","spec":"1.0","notes":[{"at":0,"pitch":1,"expr":{"a/b":"x"}}],)"
             R"("z":0.50},"assets":{"k":"factory:x"}})",
         {"warning bad-expression /audition/notes/0/expr/a~1b"},
         head +
             R"(,"formatVersion":1,"scope":"complete","extensions":["com.brightmoss.audition/1"],"params":{},"state":{},)"
             R"("assets":{"k":"factory:x"},"audition":{"kind":"clip","spec":"1.0","length":4,"grid":"1/16",)"
             R"("notes":[{"at":0,"pitch":1,"vel":1,"expr":{"a/b":"x"}}],"z":0.50},"ext":{"a":1}})"},
    };
    for (const AuditionCase& c : cases) {
        document::DiagnosticList list;
        const std::optional<document::InstanceDocument> doc = readInstance(parse(c.in), list);
        ASSERT_TRUE(doc.has_value()) << c.name;
        EXPECT_EQ(findings(list), c.expected) << c.name;
        const std::string once = writeJson(writeInstance(*doc));
        EXPECT_EQ(once, c.out) << c.name;
        document::DiagnosticList again;
        const std::optional<document::InstanceDocument> reread = readInstance(parse(once), again);
        ASSERT_TRUE(reread.has_value()) << c.name;
        EXPECT_EQ(writeJson(writeInstance(*reread)), once) << c.name;
    }
}

TEST(Audition, FindingsKeepSeverityCodeAndMessage) {
    document::DiagnosticList list;
    readInstance(parse(std::string(kHead) + R"(,"audition":{"kind":"clip","spec":"1.0","grid":3}})"), list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].severity, document::Severity::Warning);
    EXPECT_EQ(list[0].code, "bad-grid");
    EXPECT_EQ(list[0].path, "/audition/grid");
    EXPECT_EQ(list[0].message, "Unreadable grid; kept as written");

    document::DiagnosticList refused;
    readInstance(parse(std::string(kHead) + R"(,"audition":[]})"), refused);
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].severity, document::Severity::Error);
    EXPECT_EQ(refused[0].path, "/audition");
    EXPECT_EQ(refused[0].message, "Expected a JSON object");
    EXPECT_EQ(refused[1].severity, document::Severity::Warning);
    EXPECT_EQ(refused[1].message, "The audition is not a clip; kept as written, not offered");
}

TEST(Audition, IsTakenAsAClipTheRendererCanUse) {
    document::DiagnosticList list;
    const std::optional<document::InstanceDocument> doc = readInstance(
        parse(std::string(kHead) + R"(,"audition":{"kind":"clip","spec":"1.0","tempo":[{"at":0,"bpm":96}],)"
                                   R"("notes":[{"at":0.5,"len":0.25,"vel":0.7,"pitch":38}]}})"),
        list);
    ASSERT_TRUE(doc.has_value());
    ASSERT_TRUE(doc->audition.has_value());
    const document::Clip& clip = *doc->audition;
    ASSERT_EQ(clip.tempo.size(), 1u);
    EXPECT_EQ(clip.tempo[0].bpm, 96.0);
    ASSERT_EQ(clip.notes.size(), 1u);
    EXPECT_EQ(clip.notes[0].at, 0.5);
    EXPECT_EQ(clip.notes[0].len, 0.25);
    EXPECT_EQ(clip.notes[0].vel, 0.7);
    EXPECT_EQ(clip.notes[0].pitch, 38.0);
    // Copies of the document carry the audition along.
    const document::InstanceDocument copy = *doc;
    EXPECT_EQ(writeJson(writeInstance(copy)), writeJson(writeInstance(*doc)));
}

} // namespace
} // namespace fennrow::test
