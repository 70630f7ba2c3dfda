#include "support/test_platform.h"

#include <cstdlib>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace fennrow::test {

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path makeScratchFolder(std::string_view prefix) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        return {};
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / (std::string(prefix) + "-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

#if defined(_WIN32)

namespace {
std::wstring wide(std::string_view utf8) { return pathFromUtf8(utf8).wstring(); }
} // namespace

void setEnvironment(const char* name, const std::optional<std::string>& utf8Value) {
    // The C runtime keeps its own copies, wide and narrow, and updates both.
    ::_wputenv_s(wide(name).c_str(), utf8Value ? wide(*utf8Value).c_str() : L"");
}

std::optional<std::string> environmentUtf8(const char* name) {
    const wchar_t* value = ::_wgetenv(wide(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return utf8FromPath(std::filesystem::path(value));
}

#else

void setEnvironment(const char* name, const std::optional<std::string>& utf8Value) {
    if (utf8Value) {
        ::setenv(name, utf8Value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

std::optional<std::string> environmentUtf8(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

#endif

ScopedEnvironment::ScopedEnvironment(const char* name, const std::optional<std::string>& utf8Value)
    : name_(name), previous_(environmentUtf8(name)) {
    setEnvironment(name_, utf8Value);
}

ScopedEnvironment::~ScopedEnvironment() { setEnvironment(name_, previous_); }

} // namespace fennrow::test
