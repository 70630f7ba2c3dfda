#include "platform/utf8.h"

#include <gtest/gtest.h>

namespace fennrow {
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
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.label;
        EXPECT_EQ(utf8ToUtf16(c.bytes).has_value(), c.valid) << c.label;
    }
}

TEST(Utf8, RoundTripsThroughUtf16IncludingSurrogatePairs) {
    const std::string text = "A\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80";
    const auto wide = utf8ToUtf16(text);
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(*wide, (std::u16string{u'A', 0x00FC, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(utf16ToUtf8(*wide), text);
}

TEST(Utf8, RefusesUnpairedSurrogatesInUtf16) {
    EXPECT_FALSE(utf16ToUtf8(std::u16string{0xD83D}).has_value());
    EXPECT_FALSE(utf16ToUtf8(std::u16string{0xDE00, u'a'}).has_value());
    EXPECT_FALSE(utf16ToUtf8(std::u16string{0xD83D, u'a'}).has_value());
}

} // namespace
} // namespace fennrow
