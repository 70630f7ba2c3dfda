#include "document/clip/clip_fields.h"

namespace fennrow {

std::optional<double> getNumber(FieldReader& reader, std::string_view name) {
    const JsonValue* value = reader.get(name, JsonType::Number, kDescribeNumber);
    if (value == nullptr) return std::nullopt;
    return value->number;
}

std::optional<std::string> getString(FieldReader& reader, std::string_view name) {
    const JsonValue* value = reader.get(name, JsonType::String, kDescribeString);
    if (value == nullptr) return std::nullopt;
    return value->string;
}

std::optional<bool> getBool(FieldReader& reader, std::string_view name) {
    const JsonValue* value = reader.get(name, JsonType::Bool, kDescribeBool);
    if (value == nullptr) return std::nullopt;
    return value->boolean;
}

const JsonValue* getArray(FieldReader& reader, std::string_view name) {
    return reader.get(name, JsonType::Array, kDescribeArray);
}

const JsonValue* getObject(FieldReader& reader, std::string_view name) {
    return reader.get(name, JsonType::Object, kDescribeObject);
}

} // namespace fennrow
