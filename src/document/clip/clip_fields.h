#pragma once
// Typed member access shared by the clip readers: one call per expected type,
// each with the fixed description that a "wrong-type" finding names.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "document/diagnostics.h"
#include "document/field_reader.h"
#include "document/json_value.h"

namespace fennrow {

std::optional<double> getNumber(FieldReader& reader, std::string_view name);
std::optional<std::string> getString(FieldReader& reader, std::string_view name);
std::optional<bool> getBool(FieldReader& reader, std::string_view name);
const JsonValue* getArray(FieldReader& reader, std::string_view name);
const JsonValue* getObject(FieldReader& reader, std::string_view name);

// The record of kind Record that stands in for an unreadable element: the
// record's defaults, the element as written, and the flag the writer obeys.
template <typename Record>
Record keptAsWrittenElement(const JsonValue& element) {
    Record record;
    record.asRead = element;
    record.keptAsWritten = true;
    return record;
}

} // namespace fennrow
