// Whatever reads as an instance document is written so that it reads again,
// gives the same tree and the same text, and keeps every member that it does
// not understand.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "document/diagnostics.h"
#include "document/instance_document.h"
#include "document/json_parser.h"
#include "document/json_value.h"
#include "document/json_writer.h"

namespace {

using namespace fennrow;

void check(bool condition) {
    if (!condition) std::abort();
}

// What the tree looks like once written: numbers that are not finite become
// null, and every number is spelt as the writer spells it.
void settle(JsonValue& value) {
    if (value.type == JsonType::Number) {
        if (!std::isfinite(value.number)) {
            value = JsonValue{};
        } else {
            value.numberText = writeJson(value);
        }
    }
    for (JsonValue& item : value.items) settle(item);
    for (JsonMember& m : value.members) settle(m.value);
}

constexpr std::string_view kKnownKeys[] = {
    "kind", "spec", "id", "plugin", "formatVersion", "pluginVersion", "scope", "seed", "extensions",
    "meta", "provenance", "params", "state", "hints", "assets", "audition", "ext",
};

bool isKnownKey(std::string_view key) {
    for (std::string_view known : kKnownKeys) {
        if (key == known) return true;
    }
    return false;
}

bool isEmptyOf(const JsonValue& value, JsonType type) {
    return value.type == type && value.string.empty() && value.items.empty() && value.members.empty();
}

// Members that say nothing may be left out of the written document.
bool mayBeDropped(const JsonMember& m) {
    const std::string_view key = m.key;
    if (key == "meta" || key == "provenance" || key == "hints") return m.value.type == JsonType::Null;
    if (key == "ext") return m.value.type == JsonType::Null || isEmptyOf(m.value, JsonType::Object);
    if (key == "id" || key == "pluginVersion") return isEmptyOf(m.value, JsonType::String);
    if (key == "assets") return isEmptyOf(m.value, JsonType::Object);
    if (key == "extensions") return isEmptyOf(m.value, JsonType::Array);
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const JsonParseResult input = parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!input.ok) return 0;
    DiagnosticList list;
    const std::optional<InstanceDocument> doc = readInstance(input.value, list);
    check(doc.has_value() || hasError(list));
    if (!doc) return 0;

    JsonValue out = writeInstance(*doc);
    const std::string written = writeJson(out);
    const JsonParseResult reparsed = parseJson(written);
    check(reparsed.ok);
    settle(out);
    check(reparsed.value == out);

    // Nothing is lost: unknown members come back as they were read.
    for (const JsonMember& m : input.value.members) {
        const JsonValue* back = findMember(out, m.key);
        if (back == nullptr) {
            check(mayBeDropped(m));
            continue;
        }
        if (!isKnownKey(m.key)) {
            JsonValue expected = m.value;
            settle(expected);
            check(*back == expected);
        }
    }

    // Read and written once more, the text stays the same.
    DiagnosticList again;
    const std::optional<InstanceDocument> doc2 = readInstance(reparsed.value, again);
    check(doc2.has_value());
    check(writeJson(writeInstance(*doc2)) == written);
    return 0;
}
