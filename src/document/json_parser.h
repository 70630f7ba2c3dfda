#pragma once
// Reads JSON text into a JsonValue. Strict about structure, forgiving about
// number spelling (whatever the standard double parse accepts), and stopping at
// the first failure with exactly one message.

#include <string>
#include <string_view>

#include "document/json_value.h"

namespace fennrow {

// Arrays and objects nested deeper than this are refused, so hostile input
// cannot exhaust the stack.
inline constexpr int kJsonMaxDepth = 256;

struct JsonParseResult {
    bool ok = false;
    JsonValue value;   // the document when ok
    std::string error; // the one message when not ok
};

// The whole text must be one value, optionally surrounded by whitespace.
JsonParseResult parseJson(std::string_view text);

} // namespace fennrow
