// Whatever the JSON parser accepts, written and parsed again, gives the same
// tree and the same text; whatever it refuses, it refuses with one of its
// fixed messages.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document/json_parser.h"
#include "document/json_value.h"
#include "document/json_writer.h"

namespace {

using namespace fennrow;

constexpr std::string_view kMessages[] = {
    "empty document",
    "unexpected content after the document",
    "document nested too deep",
    "expected key",
    "expected ':'",
    "expected ',' or '}'",
    "expected ',' or ']'",
    "unterminated string",
    "truncated \\u escape",
    "bad \\u escape",
    "unpaired surrogate",
    "invalid number",
    "invalid literal",
    "parse error",
};

bool knownMessage(const std::string& message) {
    for (std::string_view known : kMessages) {
        if (message == known) return true;
    }
    const std::string_view prefix = "duplicate key \"";
    return message.size() > prefix.size() && message.compare(0, prefix.size(), prefix) == 0 &&
           message.back() == '"';
}

// What the tree looks like once written: numbers that are not finite become
// null, and every number is spelt as the writer spells it.
void settle(document::JsonValue& value) {
    if (value.type() == document::JsonType::Number) {
        value = std::isfinite(value.number()) ? document::jsonNumber(value.number(), writeJson(value))
                                              : document::JsonValue{};
        return;
    }
    for (document::JsonValue& item : value.items()) settle(item);
    for (std::size_t i = 0; i < value.members().size(); ++i) settle(value.memberValue(i));
}

void check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    document::JsonParseResult first = document::parseJson(text);
    if (!first.ok) {
        check(knownMessage(first.error));
        return 0;
    }
    const std::string written = writeJson(first.value);
    const document::JsonParseResult second = document::parseJson(written);
    check(second.ok);
    settle(first.value);
    check(second.value == first.value);
    check(writeJson(second.value) == written);
    return 0;
}
