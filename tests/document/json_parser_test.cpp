#include <gtest/gtest.h>

#include <string>

#include "document/diagnostics.h"
#include "document/json_parser.h"
#include "document/json_writer.h"

namespace fennrow::test {
namespace {

struct FailureCase {
    std::string text;
    std::string message;
};

std::string nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(JsonParser, EachFailureHasItsOneMessage) {
    const FailureCase cases[] = {
        {"", "empty document"},
        {" \t\r\n ", "empty document"},
        {"{} x", "unexpected content after the document"},
        {"truex", "unexpected content after the document"},
        {"1 2", "unexpected content after the document"},
        {nested(257), "document nested too deep"},
        {"[{\"a\":" + nested(255) + "}]", "document nested too deep"},
        {"{1:2}", "expected key"},
        {"{\"a\":1,}", "expected key"},
        {"{\"a\" 1}", "expected ':'"},
        {"{\"a\"", "expected ':'"},
        {"{\"a\":1,\"a\":2}", "duplicate key \"a\""},
        {"{\"a\":1,\"\\u0061\":2}", "duplicate key \"a\""},
        // A repeated key is quoted as every value in a message is: capped.
        {"{\"" + std::string(300, 'k') + "\":1,\"" + std::string(300, 'k') + "\":2}",
         "duplicate key \"" + std::string(document::kMostQuotedCharacters, 'k') + "\xE2\x80\xA6\""},
        {"{\"a\":1 \"b\":2}", "expected ',' or '}'"},
        {"{\"a\":1", "expected ',' or '}'"},
        {"[1 2]", "expected ',' or ']'"},
        {"[1", "expected ',' or ']'"},
        {"\"abc", "unterminated string"},
        {"\"abc\\", "unterminated string"},
        {"\"\\u12\"", "truncated \\u escape"},
        {"\"\\u12", "truncated \\u escape"},
        {"\"\\u12g4\"", "bad \\u escape"},
        {"\"\\ud83d\\u0041\"", "unpaired surrogate"},
        {"\"\\ud83d\\u00", "truncated \\u escape"},
        {"[1,]", "invalid number"},
        {"[", "invalid number"},
        {"{\"a\":}", "invalid number"},
        {"+1", "invalid number"},
        {".5", "invalid number"},
        {"1e999", "invalid number"},
        {"-", "invalid number"},
        {"-x", "invalid number"},
        {"[tru]", "invalid literal"},
        {"nul", "invalid literal"},
        {"fals", "invalid literal"},
    };
    for (const FailureCase& c : cases) {
        const document::JsonParseResult result = document::parseJson(c.text);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_EQ(result.error, c.message) << c.text;
    }
}

TEST(JsonParser, NestingUpToTheLimitParses) {
    const document::JsonParseResult result = document::parseJson(nested(document::kJsonMaxDepth));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(writeJson(result.value), nested(document::kJsonMaxDepth));
}

TEST(JsonParser, StringEscapesDecodeToBytes) {
    const struct {
        std::string text;
        std::string bytes;
    } cases[] = {
        {R"("\q")", "q"},
        {"\"a\nb\"", "a\nb"},
        {R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t"},
        {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
        {R"("\ud83dx")", "\xED\xA0\xBDx"},
        {R"("\ude00")", "\xED\xB8\x80"},
        {R"("\u00e9\u20AC")", "\xC3\xA9\xE2\x82\xAC"},
        {R"("\u0000")", std::string(1, '\0')},
        {"\"\xFF\x01\"", "\xFF\x01"},
    };
    for (const auto& c : cases) {
        const document::JsonParseResult result = document::parseJson(c.text);
        ASSERT_TRUE(result.ok) << c.text << ": " << result.error;
        EXPECT_EQ(result.value.type(), document::JsonType::String);
        EXPECT_EQ(result.value.string(), c.bytes) << c.text;
    }
}

TEST(JsonParser, NumbersKeepTheirSpelling) {
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {"-0", -0.0},  {"1E+2", 100.0}, {"01", 1.0},     {"1.", 1.0},
        {"0.50", 0.5}, {"-.5", -0.5},   {"1e-400", 0.0},
    };
    for (const auto& c : cases) {
        const document::JsonParseResult result = document::parseJson(c.text);
        if (!result.ok) {
            // Underflow is the standard parse's call; it must then be the one message.
            EXPECT_EQ(result.error, "invalid number") << c.text;
            continue;
        }
        EXPECT_EQ(result.value.type(), document::JsonType::Number);
        EXPECT_EQ(result.value.number(), c.value) << c.text;
        EXPECT_EQ(result.value.numberText(), c.text);
        EXPECT_EQ(writeJson(result.value), c.text);
    }
}

TEST(JsonParser, NonFiniteNumbersParseAndWriteAsNull) {
    for (const char* text : {"-nan", "-inf", "-infinity"}) {
        const document::JsonParseResult result = document::parseJson(text);
        ASSERT_TRUE(result.ok) << text;
        EXPECT_EQ(result.value.type(), document::JsonType::Number);
        EXPECT_EQ(writeJson(result.value), "null");
    }
}

TEST(JsonParser, ObjectsKeepMemberOrderAndRoundTripExactly) {
    const std::string text = R"({"b":1,"a":[true,null,"x"],"c":{"z":0.250,"y":false}})";
    const document::JsonParseResult result = document::parseJson(" \n" + text + "\t ");
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.value.members().size(), 3u);
    EXPECT_EQ(result.value.members()[0].key, "b");
    EXPECT_EQ(result.value.members()[1].key, "a");
    EXPECT_EQ(writeJson(result.value), text);
}

TEST(JsonParser, SameKeyInDifferentObjectsIsFine) {
    const document::JsonParseResult result = document::parseJson(R"({"a":{"a":1},"b":{"a":2}})");
    EXPECT_TRUE(result.ok) << result.error;
}

} // namespace
} // namespace fennrow::test
