// The JSON node. Objects keep their members in document order and never hold
// a key twice; a number keeps the text it was read from, so a document read and
// written again keeps the spelling of every number whose value did not change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow {

enum class JsonType : int32_t {
    Null = 0,
    Bool = 1,
    Number = 2,
    String = 3,
    Array = 4,
    Object = 5,
};

struct JsonMember;

// Only the fields of the node's type carry anything; the others stay empty.
struct JsonValue {
    JsonType type = JsonType::Null;
    bool boolean = false;
    double number = 0.0;
    // For a Number: the literal as read, the shortest text of the float it was
    // made from, or empty.
    std::string numberText;
    std::string string; // UTF-8, not validated
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;
};

struct JsonMember {
    std::string key;
    JsonValue value;
};

JsonValue jsonNull();
JsonValue jsonBool(bool value);
JsonValue jsonNumber(double value); // numberText stays empty
// number = the float widened; numberText = its shortest text (empty when not finite).
JsonValue jsonFloat(float value);
JsonValue jsonString(std::string value);
JsonValue jsonArray();
JsonValue jsonObject();

// The value of the first member called `key`; null when there is none or
// `value` is not an Object.
const JsonValue* findMember(const JsonValue& value, std::string_view key);
JsonValue* findMember(JsonValue& value, std::string_view key);

// Makes `value` an Object (its members stay), then replaces the value of the
// first member called `key` or appends a new member at the end.
void setMember(JsonValue& value, std::string_view key, JsonValue member);

// The string of member `key` when it exists and is a String, else `fallback`.
std::string stringMemberOr(const JsonValue& value, std::string_view key, std::string_view fallback);

// Walks `target` and `earlier` together and gives every number of `target`
// that is unchanged from `earlier` (also through a 32-bit float) the earlier
// value and spelling. Objects pair members by key, arrays item by item when
// both have the same, non-zero length.
void refreshNumbers(JsonValue& target, const JsonValue& earlier);

// How many values the tree holds: this one, every array item and every
// member value, counted as the parser counts them against its limit.
std::size_t countValues(const JsonValue& value);

// Structural equality: the same type and the same content; numbers compare by
// value and spelling, and members in order.
bool operator==(const JsonValue& a, const JsonValue& b);
bool operator==(const JsonMember& a, const JsonMember& b);

} // namespace fennrow
