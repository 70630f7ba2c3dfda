#include "document/json_value.h"

#include <cmath>
#include <utility>

#include "document/json_number.h"

namespace fennrow {

JsonValue jsonNull() { return JsonValue{}; }

JsonValue jsonBool(bool value) {
    JsonValue v;
    v.type = JsonType::Bool;
    v.boolean = value;
    return v;
}

JsonValue jsonNumber(double value) {
    JsonValue v;
    v.type = JsonType::Number;
    v.number = value;
    return v;
}

JsonValue jsonFloat(float value) {
    JsonValue v = jsonNumber(static_cast<double>(value));
    if (std::isfinite(value)) v.numberText = shortestText(value);
    return v;
}

JsonValue jsonString(std::string value) {
    JsonValue v;
    v.type = JsonType::String;
    v.string = std::move(value);
    return v;
}

JsonValue jsonArray() {
    JsonValue v;
    v.type = JsonType::Array;
    return v;
}

JsonValue jsonObject() {
    JsonValue v;
    v.type = JsonType::Object;
    return v;
}

const JsonValue* findMember(const JsonValue& value, std::string_view key) {
    if (value.type != JsonType::Object) return nullptr;
    for (const JsonMember& m : value.members) {
        if (m.key == key) return &m.value;
    }
    return nullptr;
}

JsonValue* findMember(JsonValue& value, std::string_view key) {
    return const_cast<JsonValue*>(findMember(static_cast<const JsonValue&>(value), key));
}

void setMember(JsonValue& value, std::string_view key, JsonValue member) {
    value.type = JsonType::Object;
    if (JsonValue* existing = findMember(value, key)) {
        *existing = std::move(member);
        return;
    }
    value.members.push_back(JsonMember{std::string(key), std::move(member)});
}

std::string stringMemberOr(const JsonValue& value, std::string_view key, std::string_view fallback) {
    const JsonValue* member = findMember(value, key);
    if (member != nullptr && member->type == JsonType::String) return member->string;
    return std::string(fallback);
}

void refreshNumbers(JsonValue& target, const JsonValue& earlier) {
    if (target.type != earlier.type) return;
    switch (target.type) {
        case JsonType::Number:
            if (sameNumberForWriting(target.number, earlier.number)) {
                target.number = earlier.number;
                target.numberText = earlier.numberText;
            }
            return;
        case JsonType::Object:
            for (JsonMember& m : target.members) {
                if (const JsonValue* before = findMember(earlier, m.key)) refreshNumbers(m.value, *before);
            }
            return;
        case JsonType::Array:
            if (target.items.empty() || target.items.size() != earlier.items.size()) return;
            for (std::size_t i = 0; i < target.items.size(); ++i) {
                refreshNumbers(target.items[i], earlier.items[i]);
            }
            return;
        default: return;
    }
}

bool operator==(const JsonValue& a, const JsonValue& b) {
    if (a.type != b.type) return false;
    switch (a.type) {
        case JsonType::Null: return true;
        case JsonType::Bool: return a.boolean == b.boolean;
        case JsonType::Number: {
            const bool bothNan = std::isnan(a.number) && std::isnan(b.number);
            return (bothNan || a.number == b.number) && a.numberText == b.numberText;
        }
        case JsonType::String: return a.string == b.string;
        case JsonType::Array: return a.items == b.items;
        case JsonType::Object: return a.members == b.members;
    }
    return false;
}

bool operator==(const JsonMember& a, const JsonMember& b) { return a.key == b.key && a.value == b.value; }

std::size_t countValues(const JsonValue& value) {
    std::size_t count = 1;
    for (const JsonValue& item : value.items) count += countValues(item);
    for (const JsonMember& member : value.members) count += countValues(member.value);
    return count;
}

} // namespace fennrow
