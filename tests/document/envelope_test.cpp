#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/diagnostics.h"
#include "document/envelope.h"
#include "document/field_reader.h"
#include "document/json_writer.h"
#include "document_test_support.h"

namespace fennrow::test {
namespace {

using test::codesAndPaths;
using test::parsed;

TEST(Paths, PointersEscapeTildeAndSlash) {
    EXPECT_EQ(document::childPath("", "kind"), "/kind");
    EXPECT_EQ(document::childPath("/params", "weight"), "/params/weight");
    EXPECT_EQ(document::childPath("/state", "a/b"), "/state/a~1b");
    EXPECT_EQ(document::childPath("", "~a/b"), "/~0a~1b");
    EXPECT_EQ(document::childPath("", "~1"), "/~01");
    EXPECT_EQ(document::indexPath("/extensions", 2), "/extensions/2");
}

TEST(Envelope, RefusesWhatIsNotADocumentOfTheKind) {
    const struct {
        std::string text;
        std::string code;
        std::string path;
        std::string message;
    } cases[] = {
        {"[]", "not-a-document", "", "Expected a JSON object"},
        {"\"instance\"", "not-a-document", "", "Expected a JSON object"},
        {"{}", "wrong-kind", "/kind", "Expected kind \"instance\", found \"\""},
        {R"({"kind":"clip"})", "wrong-kind", "/kind", "Expected kind \"instance\", found \"clip\""},
        {R"({"kind":5})", "wrong-kind", "/kind", "Expected kind \"instance\", found \"\""},
    };
    for (const auto& c : cases) {
        document::DiagnosticList list;
        const document::Envelope envelope = readEnvelope(parsed(c.text), "instance", list);
        EXPECT_FALSE(envelope.ok) << c.text;
        ASSERT_EQ(list.size(), 1u) << c.text;
        EXPECT_EQ(list[0].severity, document::Severity::Error);
        EXPECT_EQ(list[0].code, c.code);
        EXPECT_EQ(list[0].path, c.path);
        EXPECT_EQ(list[0].message, c.message);
    }
}

TEST(Envelope, SpecVersions) {
    const struct {
        std::string spec; // JSON text of the member, or empty for none
        std::vector<std::string> findings;
        document::SpecVersion version;
    } cases[] = {
        {"", {"spec-missing /spec"}, {1, 0}},
        {"\"1.7\"", {}, {1, 7}},
        {"\"0.3\"", {}, {0, 3}},
        {"\"01.00\"", {}, {1, 0}},
        {"\"2.0\"", {"spec-newer-major /spec"}, {2, 0}},
        {"\"1\"", {"bad-spec-version /spec"}, {1, 0}},
        {"\"1.0.0\"", {"bad-spec-version /spec"}, {1, 0}},
        {"\"+1.0\"", {"bad-spec-version /spec"}, {1, 0}},
        {"\"-1.0\"", {"bad-spec-version /spec"}, {1, 0}},
        {"\" 1.0\"", {"bad-spec-version /spec"}, {1, 0}},
        {"\"1.\"", {"bad-spec-version /spec"}, {1, 0}},
        {"\"99999999999.0\"", {"bad-spec-version /spec"}, {1, 0}},
        {"1.0", {"bad-spec-version /spec"}, {1, 0}},
    };
    for (const auto& c : cases) {
        const std::string text =
            c.spec.empty() ? R"({"kind":"clip"})" : R"({"kind":"clip","spec":)" + c.spec + "}";
        document::DiagnosticList list;
        const document::Envelope envelope = readEnvelope(parsed(text), "clip", list);
        EXPECT_TRUE(envelope.ok);
        EXPECT_EQ(codesAndPaths(list), c.findings) << text;
        EXPECT_EQ(envelope.spec, c.version) << text;
    }
}

TEST(Envelope, SpecMessages) {
    document::DiagnosticList list;
    readEnvelope(parsed(R"({"kind":"clip","spec":"2.00"})"), "clip", list);
    readEnvelope(parsed(R"({"kind":"clip"})"), "clip", list);
    readEnvelope(parsed(R"({"kind":"clip","spec":"x"})"), "clip", list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].message,
              "Document uses spec 2.00, newer than 1.0; known fields are read and the rest is kept");
    EXPECT_EQ(list[0].severity, document::Severity::Warning);
    EXPECT_EQ(list[1].message, "No spec version, read as 1.0");
    EXPECT_EQ(list[1].severity, document::Severity::Note);
    EXPECT_EQ(list[2].message, "Unreadable spec version, read as 1.0");
}

TEST(Envelope, ExtensionIds) {
    document::DiagnosticList list;
    const document::Envelope envelope = readEnvelope(
        parsed(
            R"({"kind":"clip","spec":"1.0","extensions":["a/1","b","/2","c/","d/0","e/x/3",7,"f/+1","g/99999999999"]})"),
        "clip", list);
    ASSERT_TRUE(envelope.ok);
    EXPECT_EQ(envelope.extensionIds, (std::vector<document::ExtensionId>{{"a", 1}, {"e/x", 3}}));
    ASSERT_EQ(envelope.unreadableExtensions.size(), 7u);
    EXPECT_EQ(writeJson(envelope.unreadableExtensions[4]), "7");
    EXPECT_EQ(codesAndPaths(list),
              (std::vector<std::string>{"bad-extension-id /extensions/1", "bad-extension-id /extensions/2",
                                        "bad-extension-id /extensions/3", "bad-extension-id /extensions/4",
                                        "bad-extension-id /extensions/6", "bad-extension-id /extensions/7",
                                        "bad-extension-id /extensions/8"}));
    EXPECT_EQ(list[0].message, "Unreadable extension id, ignored and kept");
    EXPECT_TRUE(envelope.extensionsIsList);
    EXPECT_EQ(document::extensionIdText({"com.brightmoss.audition", 1}), "com.brightmoss.audition/1");
}

TEST(Envelope, ExtensionsThatAreNotAList) {
    document::DiagnosticList list;
    const document::Envelope envelope =
        readEnvelope(parsed(R"({"kind":"clip","spec":"1.0","extensions":"a/1"})"), "clip", list);
    EXPECT_TRUE(envelope.ok);
    EXPECT_FALSE(envelope.extensionsIsList);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].code, "wrong-type");
    EXPECT_EQ(list[0].path, "/extensions");
    EXPECT_EQ(list[0].message, "Expected a list of extension ids; kept as written");
}

TEST(FieldReader, WrongTypesAreReportedOnceAndKeptInTheRest) {
    const document::JsonValue object = parsed(R"({"~a/b":1,"n":2,"s":"x","o":{},"l":[],"b":true,"u":null})");
    document::DiagnosticList list;
    document::FieldReader reader(object, "/state", list);
    EXPECT_EQ(reader.get("~a/b", document::JsonType::String), nullptr);
    EXPECT_NE(reader.get("n", document::JsonType::Number), nullptr);
    EXPECT_NE(reader.get("s", document::JsonType::String), nullptr);
    EXPECT_EQ(reader.get("o", document::JsonType::Array), nullptr);
    EXPECT_EQ(reader.get("l", document::JsonType::Object), nullptr);
    EXPECT_EQ(reader.get("b", document::JsonType::Number), nullptr);
    EXPECT_EQ(reader.get("missing", document::JsonType::Bool), nullptr);
    EXPECT_EQ(reader.get("s", document::JsonType::Bool), nullptr); // already taken: reported all the same
    reader.markRead("u");
    EXPECT_EQ(codesAndPaths(list), (std::vector<std::string>{"wrong-type /state/~0a~1b",
                                                             "wrong-type /state/o", "wrong-type /state/l",
                                                             "wrong-type /state/b", "wrong-type /state/s"}));
    EXPECT_EQ(list[0].message, "Expected a string; kept as written, not applied");
    EXPECT_EQ(list[1].message, "Expected an array; kept as written, not applied");
    EXPECT_EQ(list[2].message, "Expected an object; kept as written, not applied");
    EXPECT_EQ(list[3].message, "Expected a number; kept as written, not applied");
    EXPECT_EQ(list[4].message, "Expected true or false; kept as written, not applied");
    EXPECT_EQ(writeJson(reader.rest()), R"({"~a/b":1,"o":{},"l":[],"b":true})");
}

TEST(FieldReader, RestOfANonObjectIsEmpty) {
    const document::JsonValue number = parsed("3");
    document::DiagnosticList list;
    document::FieldReader reader(number, "", list);
    EXPECT_EQ(reader.get("a", document::JsonType::Number), nullptr);
    EXPECT_EQ(writeJson(reader.rest()), "{}");
    EXPECT_TRUE(list.empty());
}

} // namespace
} // namespace fennrow::test
