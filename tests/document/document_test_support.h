// Small helpers for the document tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "document/diagnostics.h"
#include "document/json_parser.h"
#include "document/json_value.h"

namespace fennrow::test {

// An Array of the given items, in order.
inline JsonValue arrayOf(std::initializer_list<JsonValue> items) {
    JsonValue array = jsonArray();
    for (const JsonValue& item : items) array.appendItem(item);
    return array;
}

inline JsonValue parsed(const std::string& text) {
    JsonParseResult result = parseJson(text);
    EXPECT_TRUE(result.ok) << text << ": " << result.error;
    return result.value;
}

// "code path" of each finding, for compact comparisons.
inline std::vector<std::string> codesAndPaths(const DiagnosticList& list) {
    std::vector<std::string> out;
    for (const Diagnostic& d : list) out.push_back(d.code + " " + d.path);
    return out;
}

} // namespace fennrow::test
