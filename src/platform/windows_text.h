// Conversions between the plugin's UTF-8 and the wide (UTF-16) and code-page
// strings of the Windows calls. Only the Windows side of this folder uses it.
#pragma once
#if defined(_WIN32)

#include <optional>
#include <string>
#include <string_view>

namespace fennrow::platform {

// UTF-8 -> a wide string for the W calls; nothing when the text is not
// well-formed UTF-8 or holds a NUL (which would cut the name short).
std::optional<std::wstring> utf8ToWide(std::string_view text);

// A wide string from the system -> UTF-8; nothing for an unpaired surrogate.
std::optional<std::string> wideToUtf8(std::wstring_view text);

// A location handed over by a host, as a wide path. Hosts are to send UTF-8,
// and well-formed UTF-8 is always read as such; some send what the system
// gave them, in its ANSI code page, so a location that is not UTF-8 is read
// in that code page instead. Nothing for a NUL or bytes neither can read.
std::optional<std::wstring> locationToWide(std::string_view location);

// A narrow string in the system's code page -> wide; nothing when it is not
// valid in that code page.
std::optional<std::wstring> codePageToWide(std::string_view text);

} // namespace fennrow::platform

#endif
