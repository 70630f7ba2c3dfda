// The environment on Windows, where variables are UTF-16 and the C runtime
// keeps a narrow copy in the system's code page.
#if defined(_WIN32)

#include "platform/environment.h"
#include "platform/windows_text.h"

#include <cstdlib>

namespace fennrow::platform {

namespace {

std::optional<std::wstring> wideValue(std::string_view name) {
    const std::optional<std::wstring> wideName = utf8ToWide(name);
    if (!wideName) {
        return std::nullopt;
    }
    const wchar_t* value = ::_wgetenv(wideName->c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::wstring(value);
}

// The narrow copy, decoded from the code page. Where the code page cannot
// hold every letter of the value, the C runtime has put '?' in their place
// and the copy names some other folder; the wide value is the one that names
// the folder the user has, so it is taken instead.
std::optional<std::wstring> narrowValue(std::string_view name) {
    const std::string key(name);
    const char* value = std::getenv(key.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    std::optional<std::wstring> decoded = codePageToWide(value);
    std::optional<std::wstring> wide = wideValue(name);
    if (wide && decoded != wide) {
        return wide;
    }
    return decoded;
}

} // namespace

std::optional<std::string> environmentValue(std::string_view name, EnvironmentForm form) {
    const std::optional<std::wstring> value =
        form == EnvironmentForm::Wide ? wideValue(name) : narrowValue(name);
    if (!value) {
        return std::nullopt;
    }
    return wideToUtf8(*value);
}

std::optional<std::string> userDataFolderWithoutAppData() { return std::nullopt; }

} // namespace fennrow::platform

#endif
