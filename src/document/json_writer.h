// Compact JSON text: no whitespace, members in stored order, numbers in their
// kept spelling when it still stands for the value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "document/json_value.h"

namespace fennrow::document {

// Where written JSON goes: appended to `text`, or, when there is none, only
// counted, for a caller that needs the size of a text and not the text.
struct JsonOutput {
    std::string* text = nullptr;
    std::size_t size = 0;

    void append(std::string_view part) {
        size += part.size();
        if (text != nullptr) text->append(part);
    }
    void push(char c) {
        ++size;
        if (text != nullptr) text->push_back(c);
    }
};

std::string writeJson(const JsonValue& value);
void appendJson(std::string& out, const JsonValue& value);
// The bytes writeJson would give.
std::size_t jsonSize(const JsonValue& value);

// Writes `value` as it would stand after refreshNumbers(value, *earlier),
// without changing or copying it; a null `earlier` writes it as it is.
void appendJson(JsonOutput& out, const JsonValue& value, const JsonValue* earlier);
// A quoted, escaped JSON string.
void appendJsonString(JsonOutput& out, std::string_view text);

} // namespace fennrow::document
