// Reads every element of a JSON array with one element reader, giving one
// record per element, in order, with the element's path.
#pragma once

#include <string>
#include <vector>

#include "document/clip/clip_fields.h"
#include "document/diagnostics.h"
#include "document/json_value.h"

namespace fennrow::document {

template <typename Record>
using ElementReader = Record (*)(const JsonValue&, const std::string&, DiagnosticList&);

template <typename Record>
std::vector<Record> readElements(const JsonValue& array, const std::string& path, DiagnosticList& diagnostics,
                                 ElementReader<Record> read) {
    std::vector<Record> records;
    const std::span<const JsonValue> items = array.items();
    records.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        records.push_back(read(items[i], indexPath(path, i), diagnostics));
    }
    return records;
}

} // namespace fennrow::document
