#if defined(_WIN32)

#include "platform/windows_text.h"
#include "platform/utf8.h"

#include <windows.h>

#include <climits>

namespace fennrow::platform {

// wchar_t is a UTF-16 unit on Windows; the copies below keep the two string
// types apart without pointer casts.
std::optional<std::wstring> utf8ToWide(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<std::u16string> units = utf8ToUtf16(text);
    if (!units) {
        return std::nullopt;
    }
    return std::wstring(units->begin(), units->end());
}

std::optional<std::string> wideToUtf8(std::wstring_view text) {
    const std::u16string units(text.begin(), text.end());
    return utf16ToUtf8(units);
}

std::optional<std::wstring> locationToWide(std::string_view location) {
    if (location.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    if (isValidUtf8(location)) {
        return utf8ToWide(location);
    }
    return codePageToWide(location);
}

std::optional<std::wstring> codePageToWide(std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int bytes = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), bytes, nullptr, 0);
    if (units <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), bytes, wide.data(), units) !=
        units) {
        return std::nullopt;
    }
    return wide;
}

} // namespace fennrow::platform

#endif
