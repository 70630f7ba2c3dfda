// Small helpers shared by the clip tests: JSON text in, findings and JSON text out.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "document/diagnostics.h"
#include "document/json_parser.h"
#include "document/json_value.h"
#include "document/json_writer.h"

namespace fennrow::test {

inline document::JsonValue parse(std::string_view text) {
    document::JsonParseResult result = document::parseJson(text);
    EXPECT_TRUE(result.ok) << result.error << " in " << text;
    return result.value;
}

// "severity code path" per finding, in order; messages are checked on their own.
inline std::vector<std::string> findings(const document::DiagnosticList& list) {
    std::vector<std::string> out;
    for (const document::Diagnostic& d : list) {
        out.push_back(std::string(severityName(d.severity)) + " " + d.code + " " + d.path);
    }
    return out;
}

} // namespace fennrow::test
