#include "platform/utf8.h"

#include <gtest/gtest.h>

namespace fennrow::test {
namespace {

struct Utf8Case {
    const char* label;
    std::string bytes;
    bool valid;
};

TEST(Utf8, AcceptsWellFormedAndRefusesIllFormed) {
    const Utf8Case cases[] = {
        {"ascii", "Presets/Warm.json", true},  {"two-byte", "Gr\xC3\xBC\xC3\x9F", true},
        {"three-byte", "\xE2\x82\xAC", true},  {"four-byte", "\xF0\x9F\x98\x80", true},
        {"highest", "\xF4\x8F\xBF\xBF", true}, {"lone continuation", "\x80", false},
        {"overlong slash", "\xC0\xAF", false}, {"overlong three", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},  {"above range", "\xF4\x90\x80\x80", false},
        {"truncated", "ab\xE2\x82", false},    {"latin-1", "caf\xE9", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::isValidUtf8(c.bytes), c.valid) << c.label;
        EXPECT_EQ(platform::utf8ToUtf16(c.bytes).has_value(), c.valid) << c.label;
    }
}

// The replacements follow the Unicode standard's maximal-subpart practice, so
// hosts and other readers see the same number of U+FFFD for the same bytes.
TEST(Utf8, ReplacesEachMaximalIllFormedSubpartWithOneReplacementCharacter) {
    const std::string r = "\xEF\xBF\xBD";
    const struct {
        const char* label;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"well-formed stays", "Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80", "Gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80"},
        {"lone surrogate", "a\xED\xA0\x80z", "a" + r + r + r + "z"},
        {"raw FF", "\xFF", r},
        {"latin-1", "Zo\xEB", "Zo" + r},
        {"overlong", "\xC0\xAF", r + r},
        {"overlong three", "\xE0\x80\xAF", r + r + r},
        {"truncated four", "\xF0\x9F\x98", r},
        {"truncated then ascii", "\xE2\x82x", r + "x"},
        {"above range", "\xF4\x90\x80\x80", r + r + r + r},
        {"lead then lead", "\xC3\xC3\xBC", r + "\xC3\xBC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::wellFormedUtf8(c.bytes), c.expected) << c.label;
        EXPECT_TRUE(platform::isValidUtf8(platform::wellFormedUtf8(c.bytes))) << c.label;
    }
}

TEST(Utf8, CopiesIntoAFixedBufferWithoutCuttingACharacter) {
    char out[6];
    EXPECT_EQ(platform::copyWellFormedUtf8("ab\xE2\x82\xAC", out, sizeof out), 5u);
    EXPECT_STREQ(out, "ab\xE2\x82\xAC");
    EXPECT_EQ(platform::copyWellFormedUtf8("abc\xE2\x82\xAC", out, sizeof out),
              3u); // the euro sign no longer fits
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(platform::copyWellFormedUtf8("a\xFF", out, sizeof out), 4u);
    EXPECT_STREQ(out, "a\xEF\xBF\xBD");
    EXPECT_EQ(platform::copyWellFormedUtf8(std::string_view("a\0b", 3), out, sizeof out), 1u);
    EXPECT_EQ(platform::copyWellFormedUtf8("abc", out, 1), 0u);
    EXPECT_STREQ(out, "");
}

TEST(Utf8, RoundTripsThroughUtf16IncludingSurrogatePairs) {
    const std::string text = "A\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80";
    const auto wide = platform::utf8ToUtf16(text);
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(*wide, (std::u16string{u'A', 0x00FC, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(platform::utf16ToUtf8(*wide), text);
}

TEST(Utf8, RefusesUnpairedSurrogatesInUtf16) {
    EXPECT_FALSE(platform::utf16ToUtf8(std::u16string{0xD83D}).has_value());
    EXPECT_FALSE(platform::utf16ToUtf8(std::u16string{0xDE00, u'a'}).has_value());
    EXPECT_FALSE(platform::utf16ToUtf8(std::u16string{0xD83D, u'a'}).has_value());
}

} // namespace
} // namespace fennrow::test
