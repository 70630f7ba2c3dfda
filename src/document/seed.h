// A document's "seed": 16 hexadecimal digits, most significant first. The
// instance document and the clip read and write it by this one rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "document/field_reader.h"
#include "document/json_value.h"

namespace fennrow::document {

// Upper- and lower-case digits are read alike.
std::optional<uint64_t> parseSeed(const JsonValue& value);

// Always lower-case, with leading zeros.
std::string seedText(uint64_t seed);

// The "seed" member of the reader's object. A well-formed one counts as read;
// any other is reported ("bad-seed") and kept as written, and nothing is used.
std::optional<uint64_t> readSeed(FieldReader& reader);

} // namespace fennrow::document
