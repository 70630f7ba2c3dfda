#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "document/json_parser.h"
#include "document/json_value.h"
#include "document/json_writer.h"
#include "document_test_support.h"

namespace fennrow {
namespace {

TEST(JsonWriter, NumbersWithoutSpellingUseShortestText) {
    const struct {
        JsonValue value;
        std::string text;
    } cases[] = {
        {jsonNumber(100.0), "100"},
        {jsonNumber(1e21), "1e+21"},
        {jsonNumber(0.0000001), "1e-07"},
        {jsonNumber(0.1), "0.1"},
        {jsonNumber(1.0 / 3.0), "0.3333333333333333"},
        {jsonFloat(0.1f), "0.1"},
        {jsonFloat(0.6f), "0.6"},
        {jsonFloat(8.0f), "8"},
        {jsonFloat(-0.0f), "-0"},
        {jsonFloat(std::numeric_limits<float>::infinity()), "null"},
        {jsonNumber(std::numeric_limits<double>::quiet_NaN()), "null"},
    };
    for (const auto& c : cases) EXPECT_EQ(writeJson(c.value), c.text);
}

TEST(JsonWriter, FloatNumbersKeepShortestTextAsSpelling) {
    EXPECT_EQ(jsonFloat(0.6f).numberText(), "0.6");
    EXPECT_EQ(jsonFloat(-0.0f).numberText(), "-0");
    EXPECT_TRUE(jsonFloat(std::numeric_limits<float>::quiet_NaN()).numberText().empty());
    EXPECT_TRUE(jsonNumber(0.5).numberText().empty());
}

TEST(JsonWriter, SpellingThatNoLongerFitsTheValueIsReplaced) {
    const JsonValue v = jsonNumber(0.75, parseJson("0.50").value.numberText());
    EXPECT_EQ(writeJson(v), "0.75");
    // A spelling that is not one whole number would corrupt the text.
    EXPECT_EQ(writeJson(jsonNumber(1.0, "1,2")), "1");
}

TEST(JsonWriter, SpellingSurvivesAPassThroughAFloat) {
    const JsonValue read = parseJson("0.60").value;
    const JsonValue v = jsonNumber(static_cast<double>(static_cast<float>(read.number())), read.numberText());
    EXPECT_EQ(writeJson(v), "0.60");
    // Out of float range: rounding the spelling must not misbehave.
    const JsonValue big = jsonNumber(static_cast<double>(std::numeric_limits<float>::max()), "1e300");
    EXPECT_EQ(writeJson(big), "3.4028234663852886e+38");
}

TEST(JsonWriter, StringEscaping) {
    const std::string raw = std::string("\"\\/\t\n\r\b\f\x1f\x01\x7f\xC3\xA9") + std::string(1, '\0');
    EXPECT_EQ(writeJson(jsonString(raw)),
              std::string("\"\\\"\\\\/\\t\\n\\r\\u0008\\u000c\\u001f\\u0001\x7f\xC3\xA9\\u0000\""));
}

TEST(JsonWriter, ContainersAreCompact) {
    JsonValue object = jsonObject();
    setMember(object, "b", jsonNumber(1));
    const JsonValue list = test::arrayOf({jsonBool(true), jsonNull(), jsonString("x")});
    setMember(object, "a", list);
    setMember(object, "e", jsonObject());
    setMember(object, "f", jsonArray());
    EXPECT_EQ(writeJson(object), R"({"b":1,"a":[true,null,"x"],"e":{},"f":[]})");
}

TEST(JsonValue, MemberHelpers) {
    JsonValue v = jsonNumber(3);
    EXPECT_EQ(findMember(v, "a"), nullptr);
    EXPECT_EQ(stringMemberOr(v, "a", "dflt"), "dflt");
    setMember(v, "a", jsonString("one"));
    setMember(v, "b", jsonNumber(2));
    setMember(v, "a", jsonString("two"));
    EXPECT_EQ(v.type(), JsonType::Object);
    ASSERT_EQ(v.members().size(), 2u);
    EXPECT_EQ(v.members()[0].key, "a");
    EXPECT_EQ(stringMemberOr(v, "a", ""), "two");
    EXPECT_EQ(stringMemberOr(v, "b", "dflt"), "dflt");
}

TEST(JsonValue, RefreshNumbersRestoresUnchangedSpellings) {
    const JsonValue earlier =
        parseJson(R"({"a":0.50,"b":0.60,"c":[1.0,2.0],"d":[1.0],"e":{"x":3.10},"f":"s","g":7.0})").value;
    JsonValue target = jsonObject();
    setMember(target, "g", jsonNumber(8));   // changed
    setMember(target, "b", jsonFloat(0.6f)); // through a float
    setMember(target, "a", jsonNumber(0.5)); // same value
    setMember(target, "c", test::arrayOf({jsonNumber(1), jsonNumber(2)}));
    setMember(target, "d", test::arrayOf({jsonNumber(1), jsonNumber(5)})); // other length: untouched
    JsonValue e = jsonObject();
    setMember(e, "x", jsonNumber(3.1));
    setMember(target, "e", e);
    setMember(target, "f", jsonNumber(1)); // other type: untouched
    // Written with the earlier tree at hand, the text is the refreshed one and
    // the tree stays as it was.
    std::string text;
    JsonOutput out{&text};
    appendJson(out, target, &earlier);
    EXPECT_EQ(jsonSize(target), writeJson(target).size());
    refreshNumbers(target, earlier);
    EXPECT_EQ(writeJson(target), R"({"g":8,"b":0.60,"a":0.50,"c":[1.0,2.0],"d":[1,5],"e":{"x":3.10},"f":1})");
    EXPECT_EQ(text, writeJson(target));
    EXPECT_EQ(out.size, text.size());
    EXPECT_EQ(target.members()[1].value.number(), 0.6);
}

} // namespace
} // namespace fennrow
