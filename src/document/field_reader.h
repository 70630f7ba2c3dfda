// Typed member access for the lenient document readers: a member of the wrong
// type is reported and left alone, and every member that was not taken stays
// available through rest() so that it can be written back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/diagnostics.h"
#include "document/json_value.h"

namespace fennrow::document {

// Descriptions that "wrong-type" findings name, one per expected type.
inline constexpr std::string_view kDescribeBool = "true or false";
inline constexpr std::string_view kDescribeNumber = "a number";
inline constexpr std::string_view kDescribeString = "a string";
inline constexpr std::string_view kDescribeArray = "an array";
inline constexpr std::string_view kDescribeObject = "an object";

// What a reader does with a member of the wrong type, unless it says otherwise.
inline constexpr std::string_view kKeptNotApplied = "kept as written, not applied";

// The description used for `type` (empty for Null).
std::string_view describeType(JsonType type);

class FieldReader {
public:
    // `object` and `list` must outlive the reader.
    FieldReader(const JsonValue& object, std::string path, DiagnosticList& list);

    // The first member called `name` when it has the expected type (and it
    // counts as read); null when it is missing or, with a "wrong-type"
    // warning ("Expected <description>; <outcome>"), of another type.
    const JsonValue* get(std::string_view name, JsonType expected, std::string_view description,
                         std::string_view outcome = kKeptNotApplied);
    const JsonValue* get(std::string_view name, JsonType expected); // the usual description
    // The first member called `name` whatever its type (and it counts as
    // read): a member that is kept as it stands; null when it is missing.
    const JsonValue* getAny(std::string_view name);

    // Counts `name` as read without looking at it.
    void markRead(std::string_view name);

    // An Object with copies of the members not read, in document order.
    JsonValue rest() const;
    // The same with the members' values moved out of `object`, which is the
    // reader's own object and keeps their keys, with Null values.
    JsonValue takeRest(JsonValue& object) const;

    const JsonValue& object() const { return *object_; }
    const std::string& path() const { return path_; }
    DiagnosticList& list() { return *list_; }
    const std::vector<std::string>& keysRead() const { return keysRead_; }

private:
    bool wasRead(std::string_view name) const;

    const JsonValue* object_;
    std::string path_;
    DiagnosticList* list_;
    std::vector<std::string> keysRead_;
};

// One call per expected type, each with the usual description.
std::optional<double> getNumber(FieldReader& reader, std::string_view name);
std::optional<std::string> getString(FieldReader& reader, std::string_view name);
std::optional<bool> getBool(FieldReader& reader, std::string_view name);
const JsonValue* getArray(FieldReader& reader, std::string_view name);
const JsonValue* getObject(FieldReader& reader, std::string_view name);

} // namespace fennrow::document
