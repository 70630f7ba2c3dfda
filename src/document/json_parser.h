// Reads JSON text into a JsonValue. Strict about structure, forgiving about
// number spelling (whatever the standard double parse accepts), and stopping at
// the first failure with exactly one message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "document/json_value.h"

namespace fennrow::document {

// Arrays and objects nested deeper than this are refused, so hostile input
// cannot exhaust the stack (the parser, the writer and a tree's copy and
// destruction all recurse once per level).
inline constexpr int kJsonMaxDepth = 256;

// What a tree read from a text takes, at most, per byte of that text, counted
// at the peak of the parse (the tree and the parser's working storage) and
// besides a constant. The densest texts are one value per two bytes ("0," or
// "[]"); a node takes 16 bytes and waits in the parser's stack of open arrays
// until its array closes.
inline constexpr std::size_t kJsonMaxBytesPerTextByte = 24;

struct JsonParseResult {
    bool ok = false;
    JsonValue value;   // the document when ok
    std::string error; // the one message when not ok
};

// The whole text must be one value, optionally surrounded by whitespace. Time
// and memory are linear in the text's length; the caller bounds the length.
JsonParseResult parseJson(std::string_view text);

} // namespace fennrow::document
