// The UTF-16 strings of the VST 3 interface, to and from the plugin's UTF-8.
#pragma once

#include <vst3/base.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace fennrow::vst3 {

// Copies `text` into a zero-terminated UTF-16 field of `capacity` units,
// cut short at a whole character if it does not fit; an ill-formed text
// gives the empty string.
void copyUtf16(::vst3::char16* field, std::size_t capacity, std::string_view text);

template <std::size_t N>
void copyUtf16(::vst3::char16 (&field)[N], std::string_view text) {
    copyUtf16(field, N, text);
}

// A zero-terminated UTF-16 string from the host, read up to `maxUnits`;
// nothing readable gives the empty string.
std::string fromUtf16(const ::vst3::char16* text, std::size_t maxUnits);

// Copies an ASCII or UTF-8 text into a zero-terminated byte field, cut short
// to fit.
void copyBytes(char* field, std::size_t capacity, std::string_view text);

template <std::size_t N>
void copyBytes(char (&field)[N], std::string_view text) {
    copyBytes(field, N, text);
}

} // namespace fennrow::vst3
