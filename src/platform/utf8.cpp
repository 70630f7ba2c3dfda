#include "platform/utf8.h"

#include <cstdint>

namespace fennrow::platform {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// One step through UTF-8 text: either one well-formed character, or the
// longest start of one that cannot be completed (the "maximal subpart"), which
// is at least one byte. Stepping this way, every reader of the plugin agrees
// on where an ill-formed sequence ends and how many replacement characters
// it becomes.
struct Utf8Step {
    std::size_t length = 1;
    bool wellFormed = false;
    char32_t codePoint = 0;
};

// The range the second byte must fall in after a lead byte; it is what rules
// out overlong forms, surrogates and code points above U+10FFFF.
struct LeadByte {
    std::size_t length;
    std::uint8_t secondLow;
    std::uint8_t secondHigh;
    std::uint8_t payloadMask;
};

constexpr std::uint8_t kContinuationLow = 0x80;
constexpr std::uint8_t kContinuationHigh = 0xBF;

// Nothing for a byte that never starts a character (a continuation byte,
// C0, C1 and F5 to FF).
std::optional<LeadByte> leadByte(std::uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return LeadByte{2, kContinuationLow, kContinuationHigh, 0x1F};
    if (lead == 0xE0) return LeadByte{3, 0xA0, kContinuationHigh, 0x0F};
    if (lead == 0xED) return LeadByte{3, kContinuationLow, 0x9F, 0x0F};
    if (lead >= 0xE1 && lead <= 0xEF) return LeadByte{3, kContinuationLow, kContinuationHigh, 0x0F};
    if (lead == 0xF0) return LeadByte{4, 0x90, kContinuationHigh, 0x07};
    if (lead == 0xF4) return LeadByte{4, kContinuationLow, 0x8F, 0x07};
    if (lead >= 0xF1 && lead <= 0xF3) return LeadByte{4, kContinuationLow, kContinuationHigh, 0x07};
    return std::nullopt;
}

Utf8Step step(std::string_view text, std::size_t pos) {
    const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byteAt(pos);
    if (lead < 0x80) {
        return {1, true, lead};
    }
    const std::optional<LeadByte> form = leadByte(lead);
    if (!form) {
        return {};
    }
    char32_t codePoint = lead & form->payloadMask;
    for (std::size_t k = 1; k < form->length; ++k) {
        if (pos + k >= text.size()) {
            return {k, false, 0};
        }
        const std::uint8_t next = byteAt(pos + k);
        const std::uint8_t low = k == 1 ? form->secondLow : kContinuationLow;
        const std::uint8_t high = k == 1 ? form->secondHigh : kContinuationHigh;
        if (next < low || next > high) {
            return {k, false, 0};
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return {form->length, true, codePoint};
}

} // namespace

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Step next = step(text, pos);
        if (!next.wellFormed) {
            return false;
        }
        pos += next.length;
    }
    return true;
}

std::string wellFormedUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Step next = step(text, pos);
        if (next.wellFormed) {
            out.append(text.substr(pos, next.length));
        } else {
            out.append(kReplacementCharacter);
        }
        pos += next.length;
    }
    return out;
}

std::size_t copyWellFormedUtf8(std::string_view text, char* out, std::size_t capacity) {
    if (out == nullptr || capacity == 0) {
        return 0;
    }
    std::size_t written = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Step next = step(text, pos);
        const std::string_view piece =
            next.wellFormed ? text.substr(pos, next.length) : kReplacementCharacter;
        // A character that does not fit whole is left out, never cut.
        if (piece.find('\0') != std::string_view::npos || piece.size() >= capacity - written) {
            break;
        }
        piece.copy(out + written, piece.size());
        written += piece.size();
        pos += next.length;
    }
    out[written] = '\0';
    return written;
}

std::optional<std::u16string> utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Step next = step(text, pos);
        if (!next.wellFormed) {
            return std::nullopt;
        }
        pos += next.length;
        if (next.codePoint < 0x10000) {
            out.push_back(static_cast<char16_t>(next.codePoint));
        } else {
            const char32_t offset = next.codePoint - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        }
    }
    return out;
}

std::optional<std::string> utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        long codePoint = text[i];
        if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                return std::nullopt;
            }
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) {
            return std::nullopt;
        }
        appendUtf8(out, static_cast<char32_t>(codePoint));
    }
    return out;
}

} // namespace fennrow::platform
