#include "document/seed.h"

#include <cstddef>
#include <string_view>

namespace fennrow::document {

namespace {

constexpr std::string_view kSeedKey = "seed";
constexpr std::size_t kSeedDigits = 16;
constexpr std::string_view kHexDigits = "0123456789abcdef";
constexpr const char* kBadSeed = "A seed is 16 hex digits; kept as written, not used";

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<uint64_t> parseSeed(const JsonValue& value) {
    if (value.type() != JsonType::String || value.string().size() != kSeedDigits) return std::nullopt;
    uint64_t seed = 0;
    for (char c : value.string()) {
        const int digit = hexDigitValue(c);
        if (digit < 0) return std::nullopt;
        seed = (seed << 4) | static_cast<uint64_t>(digit);
    }
    return seed;
}

std::string seedText(uint64_t seed) {
    std::string text(kSeedDigits, '0');
    for (std::size_t i = kSeedDigits; i-- > 0;) {
        text[i] = kHexDigits[seed & 0xF];
        seed >>= 4;
    }
    return text;
}

std::optional<uint64_t> readSeed(FieldReader& reader) {
    const JsonValue* value = findMember(reader.object(), kSeedKey);
    if (value == nullptr) return std::nullopt;
    const std::optional<uint64_t> seed = parseSeed(*value);
    if (seed) {
        reader.markRead(kSeedKey);
    } else {
        appendWarning(reader.list(), "bad-seed", "/seed", kBadSeed);
    }
    return seed;
}

} // namespace fennrow::document
