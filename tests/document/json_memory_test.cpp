// What a parsed tree takes, at the peak of the parse, per byte of its text,
// for the texts that hold the most values per byte.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "document/json_parser.h"
#include "document/json_writer.h"
#include "support/allocation_probe.h"

namespace fennrow::test {
namespace {

constexpr std::size_t kTextBytes = 1 << 20;
// The parser's stack of open arrays starts with a block of its own, and a
// message or two may be made.
constexpr std::size_t kConstantBytes = 65536;

// `item` repeated inside `open`/`close`, joined by commas, to about kTextBytes.
std::string repeated(const std::string& open, const std::string& item, const std::string& close) {
    std::string text = open;
    while (text.size() + item.size() + close.size() < kTextBytes) {
        if (text.size() > open.size()) text += ',';
        text += item;
    }
    return text + close;
}

// Distinct keys as short as they can be: every byte a key may hold raw.
std::string manyKeys() {
    std::string symbols;
    for (int c = 0x20; c < 0x7F; ++c) {
        if (c != '"' && c != '\\') symbols.push_back(static_cast<char>(c));
    }
    std::string text = "{";
    for (std::size_t n = 0; text.size() < kTextBytes; ++n) {
        std::string key;
        for (std::size_t k = n; key.empty() || k > 0; k /= symbols.size())
            key.push_back(symbols[k % symbols.size()]);
        if (n > 0) text += ',';
        text += '"' + key + "\":0";
    }
    return text + "}";
}

std::string deepChains() {
    const std::string chain =
        std::string(document::kJsonMaxDepth - 1, '[') + std::string(document::kJsonMaxDepth - 1, ']');
    return repeated("[", chain, "]");
}

TEST(JsonMemory, ATreeTakesABoundedNumberOfBytesPerByteOfItsText) {
    const struct {
        const char* shape;
        std::string text;
    } cases[] = {
        {"small numbers", repeated("[", "0", "]")},
        {"short strings", repeated("[", "\"\"", "]")},
        {"empty arrays", repeated("[", "[]", "]")},
        {"empty objects", repeated("[", "{}", "]")},
        {"arrays of one number", repeated("[", "[0]", "]")},
        {"objects of one member", repeated("[", "{\"\":0}", "]")},
        {"objects just wide enough for an index",
         repeated("[", R"({"a":0,"b":0,"c":0,"d":0,"e":0,"f":0,"g":0,"h":0,"i":0})", "]")},
        {"deep nesting", deepChains()},
        {"many keys", manyKeys()},
        {"long numbers", repeated("[", "0.1234567", "]")},
        {"longer strings", repeated("[", "\"abcdefghijklmno\"", "]")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        const test::AllocationProbe probe;
        document::JsonParseResult result = document::parseJson(c.text);
        const std::size_t peak = probe.peakBytes();
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_LE(peak, document::kJsonMaxBytesPerTextByte * c.text.size() + kConstantBytes);
        std::printf("%-40s %5.1f bytes of tree per byte of text\n", c.shape,
                    static_cast<double>(peak) / static_cast<double>(c.text.size()));
        EXPECT_EQ(writeJson(result.value), c.text); // nothing lost on the way
    }
}

} // namespace
} // namespace fennrow::test
