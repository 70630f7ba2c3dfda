// The JSON node. Objects keep their members in document order and never hold
// a key twice; a number keeps the text it was read from, so a document read and
// written again keeps the spelling of every number whose value did not change.
//
// A node takes 16 bytes and a member 32, whatever the type: short texts (keys
// up to 15 bytes, strings up to 14, number spellings up to 6) sit in the node,
// longer ones and the elements of containers in one block each. A tree read
// from text therefore takes a bounded number of bytes per byte of that text.
// An object of more than a few members keeps a hash index of its keys, so a
// lookup or an insertion costs the same in a wide object as in a narrow one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow::document {

enum class JsonType : int32_t {
    Null = 0,
    Bool = 1,
    Number = 2,
    String = 3,
    Array = 4,
    Object = 5,
};

// An owned byte string of 16 bytes: up to 15 bytes in place, longer ones in
// one block of their own. Reads as a std::string_view.
class JsonKey {
public:
    JsonKey() noexcept;
    JsonKey(std::string_view text); // NOLINT(google-explicit-constructor): keys are written as strings
    JsonKey(const std::string& text)
        : JsonKey(std::string_view(text)) {}                       // NOLINT(google-explicit-constructor)
    JsonKey(const char* text) : JsonKey(std::string_view(text)) {} // NOLINT(google-explicit-constructor)
    JsonKey(const JsonKey& other);
    JsonKey(JsonKey&& other) noexcept;
    JsonKey& operator=(const JsonKey& other);
    JsonKey& operator=(JsonKey&& other) noexcept;
    ~JsonKey();

    std::string_view view() const noexcept;
    const char* data() const noexcept { return view().data(); }
    operator std::string_view() const noexcept { return view(); } // NOLINT(google-explicit-constructor)
    std::size_t size() const noexcept { return view().size(); }
    bool empty() const noexcept { return view().empty(); }

    friend bool operator==(const JsonKey& a, const JsonKey& b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const JsonKey& a, std::string_view b) noexcept { return a.view() == b; }
    friend bool operator==(const JsonKey& a, const std::string& b) noexcept { return a.view() == b; }
    friend bool operator==(const JsonKey& a, const char* b) noexcept { return a.view() == b; }

private:
    static constexpr std::size_t kSize = 16;
    alignas(8) unsigned char raw_[kSize];
};

struct JsonMember;

class JsonValue {
public:
    JsonValue() noexcept; // Null
    JsonValue(const JsonValue& other);
    JsonValue(JsonValue&& other) noexcept;
    JsonValue& operator=(const JsonValue& other);
    JsonValue& operator=(JsonValue&& other) noexcept;
    ~JsonValue();

    JsonType type() const noexcept;
    // Each reads the content of its own type and gives false, 0 or empty for
    // any other type.
    bool boolean() const noexcept;
    double number() const noexcept;
    // For a Number: the literal as read, the shortest text of the float it was
    // made from, or empty.
    std::string_view numberText() const noexcept;
    std::string_view string() const noexcept; // UTF-8, not validated
    std::span<const JsonValue> items() const noexcept;
    std::span<JsonValue> items() noexcept;
    std::span<const JsonMember> members() const noexcept;
    // The value of the member at `index` (< members().size()); the key stays.
    JsonValue& memberValue(std::size_t index) noexcept;

    // Makes the value an Array (an Array keeps its items, anything else is
    // dropped), then appends.
    void appendItem(JsonValue item);
    // Makes the value an Array as appendItem does, with room for `count` items.
    void reserveItems(std::size_t count);

    friend JsonValue jsonBool(bool value);
    friend JsonValue jsonNumber(double value, std::string_view text);
    friend JsonValue jsonString(std::string_view value);
    friend JsonValue jsonArray();
    friend JsonValue jsonObject();
    friend void setMember(JsonValue& value, std::string_view key, JsonValue member);
    friend const JsonValue* findMember(const JsonValue& value, std::string_view key);
    friend void appendNewMember(JsonValue& object, std::string_view key, JsonValue member);

private:
    static constexpr std::size_t kSize = 16;
    void release() noexcept;
    void copyFrom(const JsonValue& other);
    void becomeEmpty(JsonType type) noexcept;
    void* block() const noexcept;
    void setBlock(void* block) noexcept;

    alignas(8) unsigned char raw_[kSize];
};

struct JsonMember {
    JsonKey key;
    JsonValue value;
};

JsonValue jsonNull();
JsonValue jsonBool(bool value);
JsonValue jsonNumber(double value); // numberText stays empty
// A Number with the given spelling (the caller makes sure it stands for value).
JsonValue jsonNumber(double value, std::string_view text);
// number = the float widened; numberText = its shortest text (empty when not finite).
JsonValue jsonFloat(float value);
JsonValue jsonString(std::string_view value);
JsonValue jsonArray();
JsonValue jsonObject();

// The value of the member called `key`; null when there is none or `value`
// is not an Object.
const JsonValue* findMember(const JsonValue& value, std::string_view key);
JsonValue* findMember(JsonValue& value, std::string_view key);

// Makes `value` an Object (its members stay), then replaces the value of the
// member called `key` or appends a new member at the end.
void setMember(JsonValue& value, std::string_view key, JsonValue member);
// The same for a plain list of members, in time linear in the list.
void setListMember(std::vector<JsonMember>& list, std::string_view key, JsonValue member);
// Makes `object` an Object and appends a member whose key it does not hold
// yet, without looking: for a caller that has just looked.
void appendNewMember(JsonValue& object, std::string_view key, JsonValue member);

// The string of member `key` when it exists and is a String, else `fallback`.
std::string stringMemberOr(const JsonValue& value, std::string_view key, std::string_view fallback);

// Walks `target` and `earlier` together and gives every number of `target`
// that is unchanged from `earlier` (also through a 32-bit float) the earlier
// value and spelling. Objects pair members by key, arrays item by item when
// both have the same, non-zero length.
void refreshNumbers(JsonValue& target, const JsonValue& earlier);

// The steps of that walk, for a writer that applies it while writing instead
// of changing the tree. `earlier` may be null (nothing to pair with).
// The number to write for the Number `target`: `earlier` when it stands for
// the same number, else `target`.
const JsonValue& refreshedNumber(const JsonValue& target, const JsonValue* earlier);
// What the walk pairs with the member `key` of the Object `target`.
const JsonValue* pairedMember(const JsonValue& target, const JsonValue* earlier, std::string_view key);
// What the walk pairs with the item `index` of the Array `target`.
const JsonValue* pairedItem(const JsonValue& target, const JsonValue* earlier, std::size_t index);

// Structural equality: the same type and the same content; numbers compare by
// value and spelling, and members in order.
bool operator==(const JsonValue& a, const JsonValue& b);
bool operator==(const JsonMember& a, const JsonMember& b);

} // namespace fennrow::document
