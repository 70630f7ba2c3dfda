#include "document/json_writer.h"

#include <cmath>
#include <cstdio>

#include "document/json_number.h"

namespace fennrow {

namespace {

constexpr unsigned char kFirstPrintable = 0x20;

// The kept spelling is written when it still reads back to the value, also
// after the value passed through a 32-bit float. It must be one whole number:
// anything else would corrupt the text around it.
void appendNumber(std::string& out, const JsonValue& value) {
    if (!std::isfinite(value.number())) {
        out.append("null");
        return;
    }
    double spelled = 0.0;
    if (parseWholeNumber(value.numberText(), spelled) && sameNumberForWriting(value.number(), spelled)) {
        out.append(value.numberText());
        return;
    }
    out.append(shortestText(value.number()));
}

void appendString(std::string& out, std::string_view text) {
    out.push_back('"');
    for (const char c : text) {
        switch (c) {
            case '"': out.append("\\\""); break;
            case '\\': out.append("\\\\"); break;
            case '\t': out.append("\\t"); break;
            case '\n': out.append("\\n"); break;
            case '\r': out.append("\\r"); break;
            default:
                if (static_cast<unsigned char>(c) < kFirstPrintable) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out.append(escape);
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
}

} // namespace

void appendJson(std::string& out, const JsonValue& value) {
    switch (value.type()) {
        case JsonType::Null: out.append("null"); return;
        case JsonType::Bool: out.append(value.boolean() ? "true" : "false"); return;
        case JsonType::Number: appendNumber(out, value); return;
        case JsonType::String: appendString(out, value.string()); return;
        case JsonType::Array: {
            out.push_back('[');
            bool first = true;
            for (const JsonValue& item : value.items()) {
                if (!first) out.push_back(',');
                first = false;
                appendJson(out, item);
            }
            out.push_back(']');
            return;
        }
        case JsonType::Object: {
            out.push_back('{');
            bool first = true;
            for (const JsonMember& m : value.members()) {
                if (!first) out.push_back(',');
                first = false;
                appendString(out, m.key);
                out.push_back(':');
                appendJson(out, m.value);
            }
            out.push_back('}');
            return;
        }
    }
}

std::string writeJson(const JsonValue& value) {
    std::string out;
    appendJson(out, value);
    return out;
}

} // namespace fennrow
