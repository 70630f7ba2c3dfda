// Reads JSON text into a JsonValue. Strict about structure, forgiving about
// number spelling (whatever the standard double parse accepts), and stopping at
// the first failure with exactly one message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "document/json_value.h"

namespace fennrow {

// Arrays and objects nested deeper than this are refused, so hostile input
// cannot exhaust the stack.
inline constexpr int kJsonMaxDepth = 256;

// A text holding more values than this (every array item, member value and
// the document itself counts) is refused before its tree grows any further.
// A value takes at most 160 bytes (as an object member; 128 as an array
// item), and a container's storage may hold up to twice what it uses, so a
// tree takes at most 20 MiB besides the bytes of its strings and keys, which
// the text bounds. A sound with its curves is about 600 values.
inline constexpr std::size_t kJsonMaxValues = 65536;

struct JsonParseResult {
    bool ok = false;
    JsonValue value;            // the document when ok
    std::string error;          // the one message when not ok
    bool tooManyValues = false; // the text is JSON as far as read, but holds more than maxValues
};

// The whole text must be one value, optionally surrounded by whitespace.
JsonParseResult parseJson(std::string_view text, std::size_t maxValues = kJsonMaxValues);

} // namespace fennrow
