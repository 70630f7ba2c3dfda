// UTF-8 checks and conversions. Paths reach the plugin as UTF-8 from the host;
// a system whose file names are UTF-16 converts them here, and a name that is
// not well-formed UTF-8 is refused the same way on every system.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace fennrow::platform {

// Well-formed UTF-8: no overlong forms, no surrogate code points, nothing
// above U+10FFFF, no truncated sequence.
bool isValidUtf8(std::string_view text);

// The text for someone who was promised UTF-8 (a host, a terminal): each
// ill-formed sequence becomes one U+FFFD, by the maximal-subpart rule of the
// Unicode standard (F0 9F 98 gives one, C0 AF gives two). Well-formed text
// comes back unchanged. Documents keep their own bytes; this copy is made only
// where text leaves the plugin.
std::string wellFormedUtf8(std::string_view text);

// The same text into a fixed buffer of `capacity` bytes (a host's char array),
// always NUL-terminated. It stops before a character that would not fit whole
// and before a NUL byte, so a cut never leaves half a character. Returns the
// bytes written without the NUL.
std::size_t copyWellFormedUtf8(std::string_view text, char* out, std::size_t capacity);

// Appends one code point (at most U+10FFFF, not a surrogate) as UTF-8. The
// one encoder of the plugin: the JSON reader uses it for \u escapes too.
void appendUtf8(std::string& out, char32_t codePoint);

// UTF-8 -> UTF-16; nothing if the text is not well-formed UTF-8.
std::optional<std::u16string> utf8ToUtf16(std::string_view text);

// UTF-16 -> UTF-8; nothing if the text holds an unpaired surrogate.
std::optional<std::string> utf16ToUtf8(std::u16string_view text);

} // namespace fennrow::platform
