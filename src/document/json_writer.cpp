#include "document/json_writer.h"

#include <cmath>
#include <cstdio>
#include <span>

#include "document/json_number.h"

namespace fennrow::document {

namespace {

constexpr unsigned char kFirstPrintable = 0x20;

// The kept spelling is written when it still reads back to the value, also
// after the value passed through a 32-bit float. It must be one whole number:
// anything else would corrupt the text around it.
void appendNumber(JsonOutput& out, const JsonValue& value) {
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

} // namespace

void appendJsonString(JsonOutput& out, std::string_view text) {
    out.push('"');
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
                    out.push(c);
                }
        }
    }
    out.push('"');
}

void appendJson(JsonOutput& out, const JsonValue& value, const JsonValue* earlier) {
    switch (value.type()) {
        case JsonType::Null: out.append("null"); return;
        case JsonType::Bool: out.append(value.boolean() ? "true" : "false"); return;
        case JsonType::Number: appendNumber(out, refreshedNumber(value, earlier)); return;
        case JsonType::String: appendJsonString(out, value.string()); return;
        case JsonType::Array: {
            out.push('[');
            const std::span<const JsonValue> items = value.items();
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (i > 0) out.push(',');
                appendJson(out, items[i], pairedItem(value, earlier, i));
            }
            out.push(']');
            return;
        }
        case JsonType::Object: {
            out.push('{');
            bool first = true;
            for (const JsonMember& m : value.members()) {
                if (!first) out.push(',');
                first = false;
                appendJsonString(out, m.key);
                out.push(':');
                appendJson(out, m.value, pairedMember(value, earlier, m.key));
            }
            out.push('}');
            return;
        }
    }
}

void appendJson(std::string& out, const JsonValue& value) {
    JsonOutput output{&out};
    appendJson(output, value, nullptr);
}

std::string writeJson(const JsonValue& value) {
    std::string out;
    appendJson(out, value);
    return out;
}

std::size_t jsonSize(const JsonValue& value) {
    JsonOutput counted;
    appendJson(counted, value, nullptr);
    return counted.size;
}

} // namespace fennrow::document
