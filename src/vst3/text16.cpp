#include "vst3/text16.h"

#include "platform/utf8.h"

#include <algorithm>
#include <optional>

namespace fennrow::vst3 {

namespace {

bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

} // namespace

void copyUtf16(::vst3::char16* field, std::size_t capacity, std::string_view text) {
    if (field == nullptr || capacity == 0) return;
    std::size_t length = 0;
    if (std::optional<std::u16string> wide = platform::utf8ToUtf16(text)) {
        length = std::min(wide->size(), capacity - 1);
        // Never keep the first half of a surrogate pair without its second.
        if (length < wide->size() && length > 0 && isLowSurrogate((*wide)[length])) --length;
        std::copy_n(wide->begin(), length, field);
    }
    field[length] = 0;
}

std::string fromUtf16(const ::vst3::char16* text, std::size_t maxUnits) {
    if (text == nullptr) return {};
    std::size_t length = 0;
    while (length < maxUnits && text[length] != 0) ++length;
    return platform::utf16ToUtf8(std::u16string_view(text, length)).value_or(std::string());
}

void copyBytes(char* field, std::size_t capacity, std::string_view text) {
    if (field == nullptr || capacity == 0) return;
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::copy_n(text.begin(), length, field);
    field[length] = 0;
}

} // namespace fennrow::vst3
