#include "document/field_reader.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

namespace fennrow::document {

namespace {

constexpr std::string_view kWrongTypeCode = "wrong-type";

} // namespace

std::string_view describeType(JsonType type) {
    switch (type) {
        case JsonType::Bool: return kDescribeBool;
        case JsonType::Number: return kDescribeNumber;
        case JsonType::String: return kDescribeString;
        case JsonType::Array: return kDescribeArray;
        case JsonType::Object: return kDescribeObject;
        case JsonType::Null: break;
    }
    return {};
}

FieldReader::FieldReader(const JsonValue& object, std::string path, DiagnosticList& list)
    : object_(&object), path_(std::move(path)), list_(&list) {}

const JsonValue* FieldReader::get(std::string_view name, JsonType expected, std::string_view description,
                                  std::string_view outcome) {
    const JsonValue* member = findMember(*object_, name);
    if (member == nullptr) return nullptr;
    if (member->type() == expected) {
        markRead(name);
        return member;
    }
    std::string message = "Expected ";
    message.append(description);
    message.append("; ");
    message.append(outcome);
    appendWarning(*list_, std::string(kWrongTypeCode), childPath(path_, name), std::move(message));
    return nullptr;
}

const JsonValue* FieldReader::get(std::string_view name, JsonType expected) {
    return get(name, expected, describeType(expected));
}

const JsonValue* FieldReader::getAny(std::string_view name) {
    const JsonValue* member = findMember(*object_, name);
    if (member != nullptr) markRead(name);
    return member;
}

void FieldReader::markRead(std::string_view name) { keysRead_.emplace_back(name); }

bool FieldReader::wasRead(std::string_view name) const {
    return std::find(keysRead_.begin(), keysRead_.end(), name) != keysRead_.end();
}

JsonValue FieldReader::rest() const {
    JsonValue remainder = jsonObject();
    // The object's keys are unique, so the members go back without a lookup.
    for (const JsonMember& m : object_->members()) {
        if (!wasRead(m.key)) appendNewMember(remainder, m.key, m.value);
    }
    return remainder;
}

JsonValue FieldReader::takeRest(JsonValue& object) const {
    JsonValue remainder = jsonObject();
    const std::span<const JsonMember> members = object.members();
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (!wasRead(members[i].key))
            appendNewMember(remainder, members[i].key, std::move(object.memberValue(i)));
    }
    return remainder;
}

std::optional<double> getNumber(FieldReader& reader, std::string_view name) {
    const JsonValue* value = reader.get(name, JsonType::Number, kDescribeNumber);
    if (value == nullptr) return std::nullopt;
    return value->number();
}

std::optional<std::string> getString(FieldReader& reader, std::string_view name) {
    const JsonValue* value = reader.get(name, JsonType::String, kDescribeString);
    if (value == nullptr) return std::nullopt;
    return std::string(value->string());
}

std::optional<bool> getBool(FieldReader& reader, std::string_view name) {
    const JsonValue* value = reader.get(name, JsonType::Bool, kDescribeBool);
    if (value == nullptr) return std::nullopt;
    return value->boolean();
}

const JsonValue* getArray(FieldReader& reader, std::string_view name) {
    return reader.get(name, JsonType::Array, kDescribeArray);
}

const JsonValue* getObject(FieldReader& reader, std::string_view name) {
    return reader.get(name, JsonType::Object, kDescribeObject);
}

} // namespace fennrow::document
