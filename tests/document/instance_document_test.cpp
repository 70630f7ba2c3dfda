#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/instance_document.h"
#include "document/json_writer.h"
#include "document_test_support.h"

namespace fennrow::test {
namespace {

using test::codesAndPaths;
using test::parsed;

// The text written straight from the document, which must be the text of the
// tree that writeInstance builds; the byte count must match it.
std::string writtenText(const document::InstanceDocument& doc) {
    std::string text;
    document::JsonOutput out{&text};
    writeInstance(out, doc);
    EXPECT_EQ(out.size, text.size());
    EXPECT_EQ(text, writeJson(writeInstance(doc)));
    return text;
}

struct ReadCase {
    std::string name;
    std::string text;
    std::vector<std::string> findings; // "code path"
    std::string written;               // the text written back
};

// Each document is read, its findings compared, and written back.
TEST(InstanceDocument, ReadAndWriteBack) {
    const std::string head = R"("kind":"instance","spec":"1.0")";
    const ReadCase cases[] = {
        {"only a kind",
         R"({"kind":"instance"})",
         {"spec-missing /spec", "instance-without-plugin /plugin"},
         R"({"kind":"instance","spec":"1.0","plugin":"","formatVersion":1,"scope":"complete","params":{},"state":{}})"},
        {"every member in another order",
         R"({"z":1,"ext":{"x":1},"assets":{"a":"factory:b"},"hints":[1],"state":{"s":0.250},"params":{"p":0.50},)"
         R"("provenance":"p","meta":{"name":"n"},"extensions":["x/2"],"seed":"00000000000000FF","scope":"part",)"
         R"("pluginVersion":"0.1","formatVersion":3.0,"plugin":"fennrow","id":"i1",)" +
             head + "}",
         {},
         R"({"kind":"instance","spec":"1.0","id":"i1","plugin":"fennrow","formatVersion":3.0,"pluginVersion":"0.1",)"
         R"("scope":"part","seed":"00000000000000ff","extensions":["x/2"],"meta":{"name":"n"},"provenance":"p",)"
         R"("params":{"p":0.50},"state":{"s":0.250},"hints":[1],"assets":{"a":"factory:b"},"ext":{"x":1},"z":1})"},
        {"fraction of a format version",
         R"({)" + head + R"(,"plugin":"f","formatVersion":2.9})",
         {},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":2,"scope":"complete","params":{},"state":{}})"},
        {"wrongly typed known members keep their place",
         R"({)" + head + R"(,"plugin":5,"formatVersion":"2","scope":[],"params":[1],"id":false})",
         {"wrong-type /id", "wrong-type /plugin", "instance-without-plugin /plugin",
          "wrong-type /formatVersion", "wrong-type /scope", "wrong-type /params"},
         R"({"kind":"instance","spec":"1.0","plugin":5,"formatVersion":"2","scope":[],"params":[1],"state":{},"id":false})"},
        {"format versions beyond 32 bits are kept as written",
         R"({)" + head + R"(,"plugin":"f","formatVersion":1e300})",
         {"out-of-range /formatVersion"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1e300,"scope":"complete","params":{},"state":{}})"},
        {"negative format versions within range are read",
         R"({)" + head + R"(,"plugin":"f","formatVersion":-2147483647.9})",
         {},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":-2147483647,"scope":"complete","params":{},"state":{}})"},
        {"huge negative format version",
         R"({)" + head + R"(,"plugin":"f","formatVersion":-1e300})",
         {"out-of-range /formatVersion"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":-1e300,"scope":"complete","params":{},"state":{}})"},
        {"format version that is not a number",
         R"({)" + head + R"(,"plugin":"f","formatVersion":-nan})",
         {"out-of-range /formatVersion"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":null,"scope":"complete","params":{},"state":{}})"},
        {"bad seeds come back at the end",
         R"({)" + head + R"(,"seed":"0123456789abcde","plugin":"f"})",
         {"bad-seed /seed"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","params":{},"state":{},"seed":"0123456789abcde"})"},
        {"numeric seed",
         R"({)" + head + R"(,"plugin":"f","seed":5})",
         {"bad-seed /seed"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","params":{},"state":{},"seed":5})"},
        {"params of every kind",
         R"({)" + head + R"(,"plugin":"f","params":{"weight":0.5,"mode":"soft","x":[1]}})",
         {"wrong-type /params/x"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","params":{"weight":0.5,"mode":"soft","x":[1]},"state":{}})"},
        {"asset references",
         R"({)" + head + R"(,"plugin":"f","assets":{"a":"factory:","b":"asset:)" + std::string(63, 'a') +
             R"(","c":"asset:)" + std::string(64, 'A') + R"(","d":"factory:x","e":"asset:)" +
             std::string(64, 'f') + R"(","f":7}})",
         {"bad-asset-ref /assets/a", "bad-asset-ref /assets/b", "bad-asset-ref /assets/c",
          "bad-asset-ref /assets/f"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","params":{},"state":{},"assets":{"a":"factory:","b":"asset:)" +
             std::string(63, 'a') + R"(","c":"asset:)" + std::string(64, 'A') +
             R"(","d":"factory:x","e":"asset:)" + std::string(64, 'f') + R"(","f":7}})"},
        {"meta as a string, empty ext",
         R"({)" + head + R"(,"plugin":"f","meta":"m","ext":{}})",
         {},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","meta":"m","params":{},"state":{}})"},
        {"ext that is not an object is kept",
         R"({)" + head + R"(,"plugin":"f","ext":"e"})",
         {},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","params":{},"state":{},"ext":"e"})"},
        {"extensions that are not a list",
         R"({)" + head + R"(,"plugin":"f","extensions":{"a":1}})",
         {"wrong-type /extensions"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","params":{},"state":{},"extensions":{"a":1}})"},
        {"unreadable extension entries follow the ids",
         R"({)" + head + R"(,"plugin":"f","extensions":[7,"a/1","b"]})",
         {"bad-extension-id /extensions/0", "bad-extension-id /extensions/2"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","extensions":["a/1",7,"b"],"params":{},"state":{}})"},
        {"newer spec is read and written as the known one",
         R"({"kind":"instance","spec":"2.1","plugin":"f"})",
         {"spec-newer-major /spec"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","params":{},"state":{}})"},
        {"audition read as a clip and declared",
         R"({)" + head + R"(,"audition":{"kind":"clip","bpm":120.0},"plugin":"f"})",
         {"spec-missing /audition/spec"},
         R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,"scope":"complete","extensions":["com.brightmoss.audition/1"],)"
         R"("params":{},"state":{},"audition":{"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[],"bpm":120.0}})"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        document::DiagnosticList list;
        const std::optional<document::InstanceDocument> doc = readInstance(parsed(c.text), list);
        ASSERT_TRUE(doc.has_value());
        EXPECT_EQ(codesAndPaths(list), c.findings);
        EXPECT_EQ(writtenText(*doc), c.written);
    }
}

TEST(InstanceDocument, ReadsTheKnownMembers) {
    document::DiagnosticList list;
    const std::optional<document::InstanceDocument> doc = readInstance(
        parsed(
            R"({"kind":"instance","spec":"1.3","plugin":"fennrow","seed":"FFFFFFFFFFFFFFFE","formatVersion":-7.9,)"
            R"("extensions":["com.brightmoss.audition/1"],"params":{"a":1,"b":"x"},"state":{"k":[]},"zz":null})"),
        list);
    ASSERT_TRUE(doc.has_value());
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(doc->spec, (document::SpecVersion{1, 3}));
    EXPECT_EQ(doc->plugin, "fennrow");
    EXPECT_EQ(doc->seed, 0xFFFFFFFFFFFFFFFEull);
    EXPECT_EQ(doc->formatVersion, -7);
    EXPECT_EQ(doc->extensionIds, (std::vector<document::ExtensionId>{{"com.brightmoss.audition", 1}}));
    ASSERT_EQ(doc->params.size(), 2u);
    EXPECT_EQ(doc->params[1].key, "b");
    EXPECT_EQ(writeJson(doc->state), R"({"k":[]})");
    EXPECT_EQ(writeJson(doc->remainder), R"({"zz":null})");
    EXPECT_EQ(doc->scope, "complete");
}

TEST(InstanceDocument, MessagesOfItsFindings) {
    document::DiagnosticList list;
    readInstance(parsed(R"({"kind":"instance","spec":"1.0","seed":1,"params":{"x":{}},"assets":{"a":"b"}})"),
                 list);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].message, "An instance names its plugin");
    EXPECT_EQ(list[1].message, "A seed is 16 hex digits; kept as written, not used");
    EXPECT_EQ(list[2].message, "Expected a value or choice id; kept as written, not applied");
    EXPECT_EQ(list[3].message, "Expected factory:<name> or asset:<sha256>; kept as written, not loaded");
    for (const document::Diagnostic& d : list) EXPECT_EQ(d.severity, document::Severity::Warning);
}

TEST(InstanceDocument, RefusedOnlyByTheEnvelope) {
    for (const char* text : {"[]", "5", R"({"kind":"clip"})", "{}"}) {
        document::DiagnosticList list;
        EXPECT_FALSE(readInstance(parsed(text), list).has_value()) << text;
        EXPECT_EQ(list.size(), 1u);
        EXPECT_TRUE(hasError(list));
    }
}

TEST(InstanceDocument, FreshDocumentWritesTheMinimalInstance) {
    EXPECT_EQ(
        writeJson(writeInstance(document::InstanceDocument{})),
        R"({"kind":"instance","spec":"1.0","plugin":"","formatVersion":1,"scope":"complete","params":{},"state":{}})");
}

// A parameter read as 0.50, taken into a 32-bit float and put back, keeps its
// spelling; one that changed is written in its shortest form.
TEST(InstanceDocument, UnchangedNumbersKeepTheirSpellingThroughFloats) {
    document::DiagnosticList list;
    std::optional<document::InstanceDocument> doc =
        readInstance(parsed(R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1.0,)"
                            R"("params":{"a":0.50,"b":0.60,"c":0.70},"state":{"curve":[0.10,0.20]}})"),
                     list);
    ASSERT_TRUE(doc.has_value());
    for (document::JsonMember& m : doc->params)
        m.value = document::jsonFloat(static_cast<float>(m.value.number()));
    doc->params[2].value = document::jsonFloat(0.75f);
    const document::JsonValue curve = test::arrayOf({document::jsonFloat(0.1f), document::jsonFloat(0.2f)});
    setMember(doc->stateRewrites, "curve", curve);
    doc->seed = 0xABCull;
    EXPECT_EQ(
        writtenText(*doc),
        R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1.0,"scope":"complete",)"
        R"("seed":"0000000000000abc","params":{"a":0.50,"b":0.60,"c":0.75},"state":{"curve":[0.10,0.20]}})");
}

// A rewritten state member takes the place of the kept one of its key, and
// keeps the spelling of the numbers it leaves unchanged; the others follow the
// kept members. Over a state that is no object, the rewrites stand alone.
TEST(InstanceDocument, StateRewritesAreWrittenOverTheKeptState) {
    const struct {
        const char* state; // as read: ,"state":...
        const char* written;
    } cases[] = {
        {R"(,"state":{"x":1.0,"curve":[0.10,0.30],"y":[2.0]})",
         R"({"x":1.0,"curve":[0.10,0.2],"y":[2.0],"added":[1.5]})"},
        {R"(,"state":[0.10,0.20])", R"({"curve":[0.1,0.2],"added":[1.5]})"},
        {"", R"({"curve":[0.1,0.2],"added":[1.5]})"},
    };
    for (const auto& c : cases) {
        document::DiagnosticList list;
        std::optional<document::InstanceDocument> doc =
            readInstance(parsed(std::string(R"({"kind":"instance","spec":"1.0","plugin":"f")") + c.state +
                                R"(,"zz":0.50})"),
                         list);
        ASSERT_TRUE(doc.has_value()) << c.state;
        const std::string unchanged = writtenText(*doc);
        setMember(doc->stateRewrites, "curve",
                  test::arrayOf({document::jsonFloat(0.1f), document::jsonFloat(0.2f)}));
        setMember(doc->stateRewrites, "added", test::arrayOf({document::jsonFloat(1.5f)}));
        EXPECT_EQ(writtenText(*doc), R"({"kind":"instance","spec":"1.0","plugin":"f","formatVersion":1,)"
                                     R"("scope":"complete","params":{},"state":)" +
                                         std::string(c.written) + R"(,"zz":0.50})")
            << c.state;
        doc->stateRewrites = document::JsonValue();
        EXPECT_EQ(writtenText(*doc), unchanged) << c.state;
    }
}

TEST(InstanceDocument, ReadingLeavesTheInputAlone) {
    const document::JsonValue input = parsed(R"({"kind":"instance","plugin":"f","params":{"a":1}})");
    const document::JsonValue copy = input;
    document::DiagnosticList list;
    std::optional<document::InstanceDocument> doc = readInstance(input, list);
    ASSERT_TRUE(doc.has_value());
    EXPECT_EQ(input, copy);
    ASSERT_NE(doc->asRead, nullptr);
    EXPECT_EQ(*findMember(*doc->asRead, "params"), *findMember(input, "params"));
}

TEST(InstanceDocument, AssetRefForms) {
    EXPECT_TRUE(document::isAssetRef("factory:x"));
    EXPECT_FALSE(document::isAssetRef("factory:"));
    EXPECT_TRUE(document::isAssetRef("asset:" + std::string(64, '0')));
    EXPECT_FALSE(document::isAssetRef("asset:" + std::string(65, '0')));
    EXPECT_FALSE(document::isAssetRef("asset:" + std::string(63, '0') + "g"));
    EXPECT_FALSE(document::isAssetRef("Factory:x"));
    EXPECT_FALSE(document::isAssetRef(""));
}

} // namespace
} // namespace fennrow::test
