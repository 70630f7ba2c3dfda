// The stand-in record the clip readers keep for an unreadable element.
#pragma once

#include "document/field_reader.h"
#include "document/json_value.h"

namespace fennrow::document {

// The record of kind Record that stands in for an unreadable element: the
// record's defaults, the element as written, and the flag the writer obeys.
template <typename Record>
Record keptAsWrittenElement(const JsonValue& element) {
    Record record;
    record.asRead = element;
    record.keptAsWritten = true;
    return record;
}

} // namespace fennrow::document
