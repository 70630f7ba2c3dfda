// What the tests need of the operating system, the same way on every system:
// scratch folders, environment variables set and restored, and paths made
// from UTF-8 text (a Windows path is UTF-16 underneath).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace fennrow::test {

#if defined(_WIN32)
// The C runtime of Windows removes a variable that is given an empty value.
inline constexpr bool kEnvironmentKeepsEmptyValues = false;
#else
inline constexpr bool kEnvironmentKeepsEmptyValues = true;
#endif

std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string utf8FromPath(const std::filesystem::path& path);

// A new, empty folder under the system's temporary folder; empty on failure.
std::filesystem::path makeScratchFolder(std::string_view prefix);

// Sets the variable to a UTF-8 value, or removes it (nullopt), for the whole
// process, so the plugin's own reads see it.
void setEnvironment(const char* name, const std::optional<std::string>& utf8Value);

// The variable as the plugin would read it wide, as UTF-8; nothing if unset.
std::optional<std::string> environmentUtf8(const char* name);

// Sets a variable for the scope and restores the value it had before.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& utf8Value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

} // namespace fennrow::test
