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
inline document::JsonValue arrayOf(std::initializer_list<document::JsonValue> items) {
    document::JsonValue array = document::jsonArray();
    for (const document::JsonValue& item : items) array.appendItem(item);
    return array;
}

inline document::JsonValue parsed(const std::string& text) {
    document::JsonParseResult result = document::parseJson(text);
    EXPECT_TRUE(result.ok) << text << ": " << result.error;
    return result.value;
}

// "code path" of each finding, for compact comparisons.
inline std::vector<std::string> codesAndPaths(const document::DiagnosticList& list) {
    std::vector<std::string> out;
    for (const document::Diagnostic& d : list) out.push_back(d.code + " " + d.path);
    return out;
}

} // namespace fennrow::test
