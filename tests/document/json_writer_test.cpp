#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "document/json_parser.h"
#include "document/json_value.h"
#include "document/json_writer.h"
#include "document_test_support.h"

namespace fennrow::test {
namespace {

TEST(JsonWriter, NumbersWithoutSpellingUseShortestText) {
    const struct {
        document::JsonValue value;
        std::string text;
    } cases[] = {
        {document::jsonNumber(100.0), "100"},
        {document::jsonNumber(1e21), "1e+21"},
        {document::jsonNumber(0.0000001), "1e-07"},
        {document::jsonNumber(0.1), "0.1"},
        {document::jsonNumber(1.0 / 3.0), "0.3333333333333333"},
        {document::jsonFloat(0.1f), "0.1"},
        {document::jsonFloat(0.6f), "0.6"},
        {document::jsonFloat(8.0f), "8"},
        {document::jsonFloat(-0.0f), "-0"},
        {document::jsonFloat(std::numeric_limits<float>::infinity()), "null"},
        {document::jsonNumber(std::numeric_limits<double>::quiet_NaN()), "null"},
    };
    for (const auto& c : cases) EXPECT_EQ(writeJson(c.value), c.text);
}

TEST(JsonWriter, FloatNumbersKeepShortestTextAsSpelling) {
    EXPECT_EQ(document::jsonFloat(0.6f).numberText(), "0.6");
    EXPECT_EQ(document::jsonFloat(-0.0f).numberText(), "-0");
    EXPECT_TRUE(document::jsonFloat(std::numeric_limits<float>::quiet_NaN()).numberText().empty());
    EXPECT_TRUE(document::jsonNumber(0.5).numberText().empty());
}

TEST(JsonWriter, SpellingThatNoLongerFitsTheValueIsReplaced) {
    const document::JsonValue v = document::jsonNumber(0.75, document::parseJson("0.50").value.numberText());
    EXPECT_EQ(writeJson(v), "0.75");
    // A spelling that is not one whole number would corrupt the text.
    EXPECT_EQ(writeJson(document::jsonNumber(1.0, "1,2")), "1");
}

TEST(JsonWriter, SpellingSurvivesAPassThroughAFloat) {
    const document::JsonValue read = document::parseJson("0.60").value;
    const document::JsonValue v =
        document::jsonNumber(static_cast<double>(static_cast<float>(read.number())), read.numberText());
    EXPECT_EQ(writeJson(v), "0.60");
    // Out of float range: rounding the spelling must not misbehave.
    const document::JsonValue big =
        document::jsonNumber(static_cast<double>(std::numeric_limits<float>::max()), "1e300");
    EXPECT_EQ(writeJson(big), "3.4028234663852886e+38");
}

TEST(JsonWriter, StringEscaping) {
    const std::string raw = std::string("\"\\/\t\n\r\b\f\x1f\x01\x7f\xC3\xA9") + std::string(1, '\0');
    EXPECT_EQ(writeJson(document::jsonString(raw)),
              std::string("\"\\\"\\\\/\\t\\n\\r\\u0008\\u000c\\u001f\\u0001\x7f\xC3\xA9\\u0000\""));
}

TEST(JsonWriter, ContainersAreCompact) {
    document::JsonValue object = document::jsonObject();
    setMember(object, "b", document::jsonNumber(1));
    const document::JsonValue list =
        test::arrayOf({document::jsonBool(true), document::jsonNull(), document::jsonString("x")});
    setMember(object, "a", list);
    setMember(object, "e", document::jsonObject());
    setMember(object, "f", document::jsonArray());
    EXPECT_EQ(writeJson(object), R"({"b":1,"a":[true,null,"x"],"e":{},"f":[]})");
}

TEST(JsonValue, MemberHelpers) {
    document::JsonValue v = document::jsonNumber(3);
    EXPECT_EQ(findMember(v, "a"), nullptr);
    EXPECT_EQ(stringMemberOr(v, "a", "dflt"), "dflt");
    setMember(v, "a", document::jsonString("one"));
    setMember(v, "b", document::jsonNumber(2));
    setMember(v, "a", document::jsonString("two"));
    EXPECT_EQ(v.type(), document::JsonType::Object);
    ASSERT_EQ(v.members().size(), 2u);
    EXPECT_EQ(v.members()[0].key, "a");
    EXPECT_EQ(stringMemberOr(v, "a", ""), "two");
    EXPECT_EQ(stringMemberOr(v, "b", "dflt"), "dflt");
}

TEST(JsonValue, RefreshNumbersRestoresUnchangedSpellings) {
    const document::JsonValue earlier =
        document::parseJson(R"({"a":0.50,"b":0.60,"c":[1.0,2.0],"d":[1.0],"e":{"x":3.10},"f":"s","g":7.0})")
            .value;
    document::JsonValue target = document::jsonObject();
    setMember(target, "g", document::jsonNumber(8));   // changed
    setMember(target, "b", document::jsonFloat(0.6f)); // through a float
    setMember(target, "a", document::jsonNumber(0.5)); // same value
    setMember(target, "c", test::arrayOf({document::jsonNumber(1), document::jsonNumber(2)}));
    setMember(target, "d",
              test::arrayOf({document::jsonNumber(1), document::jsonNumber(5)})); // other length: untouched
    document::JsonValue e = document::jsonObject();
    setMember(e, "x", document::jsonNumber(3.1));
    setMember(target, "e", e);
    setMember(target, "f", document::jsonNumber(1)); // other type: untouched
    // Written with the earlier tree at hand, the text is the refreshed one and
    // the tree stays as it was.
    std::string text;
    document::JsonOutput out{&text};
    appendJson(out, target, &earlier);
    EXPECT_EQ(jsonSize(target), writeJson(target).size());
    refreshNumbers(target, earlier);
    EXPECT_EQ(writeJson(target), R"({"g":8,"b":0.60,"a":0.50,"c":[1.0,2.0],"d":[1,5],"e":{"x":3.10},"f":1})");
    EXPECT_EQ(text, writeJson(target));
    EXPECT_EQ(out.size, text.size());
    EXPECT_EQ(target.members()[1].value.number(), 0.6);
}

} // namespace
} // namespace fennrow::test
