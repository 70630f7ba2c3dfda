#include "document/json_value.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "document/json_number.h"

namespace fennrow::document {

namespace {

// Byte layout of a node: [0] the type; [1] a Bool's value, or for a Number or
// a String the length of the text kept in place (kTextInBlock when it is in a
// block); [2..15] the text kept in place; [8..15] a double or a block pointer,
// where the type has one.
constexpr std::size_t kTypeByte = 0;
constexpr std::size_t kSmallByte = 1;
constexpr std::size_t kTextStart = 2;
constexpr std::size_t kSlotStart = 8;
constexpr unsigned char kTextInBlock = 0xFF;
constexpr std::size_t kStringInPlace = 14;
constexpr std::size_t kNumberTextInPlace = kSlotStart - kTextStart;
// A key: [0] its length (kTextInBlock when in a block), [1..15] the key kept
// in place, [8..15] the block pointer.
constexpr std::size_t kKeyInPlace = 15;

// An object of more members than this keeps an index; below it a scan is as
// quick as a hash.
constexpr std::uint32_t kIndexFrom = 8;
constexpr std::uint32_t kNoSlot = 0;
constexpr std::uint32_t kFirstSlotCount = 32;
// Far beyond what any document holds; keeps the counts and the index sizes
// clear of overflow.
constexpr std::uint32_t kMostElements = std::uint32_t{1} << 28;

struct TextBlock {
    std::size_t length;
    char* text() { return reinterpret_cast<char*>(this + 1); }
};

struct NumberBlock {
    double number;
    std::size_t length;
    char* text() { return reinterpret_cast<char*>(this + 1); }
};

// The blocks are aligned for what follows them, also where pointers are
// 32 bits wide (the web build).
struct alignas(JsonValue) ArrayBlock {
    std::uint32_t size;
    std::uint32_t capacity;
    JsonValue* items() { return reinterpret_cast<JsonValue*>(this + 1); }
};

// slots: positions + 1 (0 is free), open addressing with linear probing, at
// most half full; null while the object has kIndexFrom members or fewer.
struct alignas(JsonMember) ObjectBlock {
    std::uint32_t size;
    std::uint32_t capacity;
    std::uint32_t* slots;
    std::uint32_t slotMask;
    std::uint32_t unused;
    JsonMember* members() { return reinterpret_cast<JsonMember*>(this + 1); }
};

static_assert(sizeof(ArrayBlock) % alignof(JsonValue) == 0);
static_assert(sizeof(ObjectBlock) % alignof(JsonMember) == 0);

template <typename T>
T loadAt(const unsigned char* raw, std::size_t offset) {
    T value;
    std::memcpy(&value, raw + offset, sizeof(T));
    return value;
}

template <typename T>
void storeAt(unsigned char* raw, std::size_t offset, T value) {
    std::memcpy(raw + offset, &value, sizeof(T));
}

void* loadPointer(const unsigned char* raw) {
    void* pointer = nullptr;
    std::memcpy(&pointer, raw + kSlotStart, sizeof(void*));
    return pointer;
}

void storePointer(unsigned char* raw, void* pointer) {
    std::memcpy(raw + kSlotStart, &pointer, sizeof(void*));
}

TextBlock* makeTextBlock(std::string_view text) {
    auto* block = static_cast<TextBlock*>(::operator new(sizeof(TextBlock) + text.size()));
    block->length = text.size();
    if (!text.empty()) std::memcpy(block->text(), text.data(), text.size());
    return block;
}

NumberBlock* makeNumberBlock(double number, std::string_view text) {
    auto* block = static_cast<NumberBlock*>(::operator new(sizeof(NumberBlock) + text.size()));
    block->number = number;
    block->length = text.size();
    std::memcpy(block->text(), text.data(), text.size());
    return block;
}

ArrayBlock* makeArrayBlock(std::uint32_t capacity) {
    auto* block = static_cast<ArrayBlock*>(::operator new(sizeof(ArrayBlock) + capacity * sizeof(JsonValue)));
    block->size = 0;
    block->capacity = capacity;
    return block;
}

ObjectBlock* makeObjectBlock(std::uint32_t capacity) {
    auto* block =
        static_cast<ObjectBlock*>(::operator new(sizeof(ObjectBlock) + capacity * sizeof(JsonMember)));
    block->size = 0;
    block->capacity = capacity;
    block->slots = nullptr;
    block->slotMask = 0;
    block->unused = 0;
    return block;
}

std::uint32_t grownCapacity(std::uint32_t capacity, std::size_t needed) {
    if (needed > kMostElements) throw std::bad_alloc();
    std::size_t grown = capacity == 0 ? 1 : std::size_t{capacity} * 2;
    if (grown < needed) grown = needed;
    if (grown > kMostElements) grown = kMostElements;
    return static_cast<std::uint32_t>(grown);
}

// A keyed hash, so that keys made to collide for one process do not collide
// for another: a hostile document cannot make the index slow.
std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 32;
    x *= 0xd6e8feb86659fd93ULL;
    x ^= x >> 32;
    x *= 0xd6e8feb86659fd93ULL;
    x ^= x >> 32;
    return x;
}

std::uint64_t processHashKey() {
    // Where this process placed its stack, its code and its heap, which the
    // system randomises, so that nobody can prepare keys that all meet in one
    // slot. No clock: the page's audio worklet has none to read.
    static const std::uint64_t key = [] {
        const int local = 0;
        void* heap = ::operator new(1);
        const auto stack = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&local));
        const auto code = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&processHashKey));
        const auto data = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(heap));
        ::operator delete(heap);
        return mix(stack ^ mix(code ^ mix(data)));
    }();
    return key;
}

std::uint64_t hashKey(std::string_view key) {
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    std::uint64_t h = processHashKey() ^ (key.size() * 0x9e3779b97f4a7c15ULL);
    std::size_t i = 0;
    for (; i + kWord <= key.size(); i += kWord) {
        std::uint64_t word = 0;
        std::memcpy(&word, key.data() + i, kWord);
        h = mix(h ^ word) + 0x9e3779b97f4a7c15ULL;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, key.data() + i, key.size() - i);
    return mix(h ^ tail);
}

void placeInIndex(ObjectBlock& block, std::uint32_t position) {
    std::uint32_t slot = static_cast<std::uint32_t>(hashKey(block.members()[position].key)) & block.slotMask;
    while (block.slots[slot] != kNoSlot) slot = (slot + 1) & block.slotMask;
    block.slots[slot] = position + 1;
}

// Builds the index anew with room for `members` members.
void rebuildIndex(ObjectBlock& block, std::uint32_t members) {
    std::uint32_t count = kFirstSlotCount;
    while (count < members * 2) count *= 2;
    auto* slots = static_cast<std::uint32_t*>(::operator new(count * sizeof(std::uint32_t)));
    std::memset(slots, 0, count * sizeof(std::uint32_t));
    ::operator delete(block.slots);
    block.slots = slots;
    block.slotMask = count - 1;
    for (std::uint32_t i = 0; i < block.size; ++i) placeInIndex(block, i);
}

const JsonMember* lookUp(ObjectBlock& block, std::string_view key) {
    JsonMember* members = block.members();
    if (block.slots == nullptr) {
        for (std::uint32_t i = 0; i < block.size; ++i) {
            if (members[i].key == key) return &members[i];
        }
        return nullptr;
    }
    std::uint32_t slot = static_cast<std::uint32_t>(hashKey(key)) & block.slotMask;
    while (block.slots[slot] != kNoSlot) {
        const JsonMember& member = members[block.slots[slot] - 1];
        if (member.key == key) return &member;
        slot = (slot + 1) & block.slotMask;
    }
    return nullptr;
}

void destroyObjectBlock(ObjectBlock* block) {
    if (block == nullptr) return;
    for (std::uint32_t i = 0; i < block->size; ++i) block->members()[i].~JsonMember();
    ::operator delete(block->slots);
    ::operator delete(block);
}

void destroyArrayBlock(ArrayBlock* block) {
    if (block == nullptr) return;
    for (std::uint32_t i = 0; i < block->size; ++i) block->items()[i].~JsonValue();
    ::operator delete(block);
}

} // namespace

// ---- JsonKey ----

JsonKey::JsonKey() noexcept : raw_{} {}

JsonKey::JsonKey(std::string_view text) : raw_{} {
    if (text.size() <= kKeyInPlace) {
        raw_[0] = static_cast<unsigned char>(text.size());
        if (!text.empty()) std::memcpy(raw_ + 1, text.data(), text.size());
    } else {
        raw_[0] = kTextInBlock;
        storePointer(raw_, makeTextBlock(text));
    }
}

JsonKey::JsonKey(const JsonKey& other) : JsonKey(other.view()) {}

JsonKey::JsonKey(JsonKey&& other) noexcept : raw_{} {
    std::memcpy(raw_, other.raw_, kSize);
    std::memset(other.raw_, 0, kSize);
}

JsonKey& JsonKey::operator=(const JsonKey& other) {
    if (this != &other) *this = JsonKey(other);
    return *this;
}

JsonKey& JsonKey::operator=(JsonKey&& other) noexcept {
    if (this != &other) {
        this->~JsonKey();
        std::memcpy(raw_, other.raw_, kSize);
        std::memset(other.raw_, 0, kSize);
    }
    return *this;
}

JsonKey::~JsonKey() {
    if (raw_[0] == kTextInBlock) {
        ::operator delete(static_cast<TextBlock*>(loadPointer(raw_)));
        raw_[0] = 0;
    }
}

std::string_view JsonKey::view() const noexcept {
    if (raw_[0] != kTextInBlock) return {reinterpret_cast<const char*>(raw_ + 1), raw_[0]};
    auto* block = static_cast<TextBlock*>(loadPointer(raw_));
    return {block->text(), block->length};
}

// ---- JsonValue ----

JsonValue::JsonValue() noexcept : raw_{} {}

JsonValue::JsonValue(const JsonValue& other) : raw_{} { copyFrom(other); }

JsonValue::JsonValue(JsonValue&& other) noexcept : raw_{} {
    std::memcpy(raw_, other.raw_, kSize);
    std::memset(other.raw_, 0, kSize);
}

JsonValue& JsonValue::operator=(const JsonValue& other) {
    if (this != &other) *this = JsonValue(other);
    return *this;
}

JsonValue& JsonValue::operator=(JsonValue&& other) noexcept {
    if (this != &other) {
        // Moved out first: `other` may live inside this value's tree.
        JsonValue taken;
        std::memcpy(taken.raw_, other.raw_, kSize);
        std::memset(other.raw_, 0, kSize);
        release();
        std::memcpy(raw_, taken.raw_, kSize);
        std::memset(taken.raw_, 0, kSize);
    }
    return *this;
}

JsonValue::~JsonValue() { release(); }

void* JsonValue::block() const noexcept { return loadPointer(raw_); }

void JsonValue::setBlock(void* block) noexcept { storePointer(raw_, block); }

void JsonValue::release() noexcept {
    switch (type()) {
        case JsonType::Number:
        case JsonType::String:
            if (raw_[kSmallByte] == kTextInBlock) ::operator delete(block());
            break;
        case JsonType::Array: destroyArrayBlock(static_cast<ArrayBlock*>(block())); break;
        case JsonType::Object: destroyObjectBlock(static_cast<ObjectBlock*>(block())); break;
        case JsonType::Null:
        case JsonType::Bool: break;
    }
    std::memset(raw_, 0, kSize);
}

void JsonValue::becomeEmpty(JsonType type) noexcept {
    release();
    raw_[kTypeByte] = static_cast<unsigned char>(type);
}

void JsonValue::copyFrom(const JsonValue& other) {
    switch (other.type()) {
        case JsonType::Null:
        case JsonType::Bool: std::memcpy(raw_, other.raw_, kSize); return;
        case JsonType::Number: *this = jsonNumber(other.number(), other.numberText()); return;
        case JsonType::String: *this = jsonString(other.string()); return;
        case JsonType::Array: {
            const std::span<const JsonValue> items = other.items();
            JsonValue copy = jsonArray();
            copy.reserveItems(items.size());
            for (const JsonValue& item : items) copy.appendItem(item);
            *this = std::move(copy);
            return;
        }
        case JsonType::Object: {
            const std::span<const JsonMember> members = other.members();
            JsonValue copy = jsonObject();
            if (!members.empty()) {
                ObjectBlock* block = makeObjectBlock(static_cast<std::uint32_t>(members.size()));
                copy.setBlock(block);
                for (const JsonMember& member : members) {
                    new (&block->members()[block->size]) JsonMember{member.key, member.value};
                    ++block->size;
                }
                if (block->size > kIndexFrom) rebuildIndex(*block, block->size);
            }
            *this = std::move(copy);
            return;
        }
    }
}

JsonType JsonValue::type() const noexcept { return static_cast<JsonType>(raw_[kTypeByte]); }

bool JsonValue::boolean() const noexcept { return type() == JsonType::Bool && raw_[kSmallByte] != 0; }

double JsonValue::number() const noexcept {
    if (type() != JsonType::Number) return 0.0;
    if (raw_[kSmallByte] == kTextInBlock) return static_cast<NumberBlock*>(block())->number;
    return loadAt<double>(raw_, kSlotStart);
}

std::string_view JsonValue::numberText() const noexcept {
    if (type() != JsonType::Number) return {};
    if (raw_[kSmallByte] == kTextInBlock) {
        auto* numberBlock = static_cast<NumberBlock*>(block());
        return {numberBlock->text(), numberBlock->length};
    }
    return {reinterpret_cast<const char*>(raw_ + kTextStart), raw_[kSmallByte]};
}

std::string_view JsonValue::string() const noexcept {
    if (type() != JsonType::String) return {};
    if (raw_[kSmallByte] == kTextInBlock) {
        auto* textBlock = static_cast<TextBlock*>(block());
        return {textBlock->text(), textBlock->length};
    }
    return {reinterpret_cast<const char*>(raw_ + kTextStart), raw_[kSmallByte]};
}

std::span<const JsonValue> JsonValue::items() const noexcept {
    if (type() != JsonType::Array || block() == nullptr) return {};
    auto* array = static_cast<ArrayBlock*>(block());
    return {array->items(), array->size};
}

std::span<JsonValue> JsonValue::items() noexcept {
    if (type() != JsonType::Array || block() == nullptr) return {};
    auto* array = static_cast<ArrayBlock*>(block());
    return {array->items(), array->size};
}

std::span<const JsonMember> JsonValue::members() const noexcept {
    if (type() != JsonType::Object || block() == nullptr) return {};
    auto* object = static_cast<ObjectBlock*>(block());
    return {object->members(), object->size};
}

JsonValue& JsonValue::memberValue(std::size_t index) noexcept {
    return static_cast<ObjectBlock*>(block())->members()[index].value;
}

void JsonValue::reserveItems(std::size_t count) {
    if (type() != JsonType::Array) becomeEmpty(JsonType::Array);
    auto* array = static_cast<ArrayBlock*>(block());
    const std::uint32_t capacity = array == nullptr ? 0 : array->capacity;
    if (count <= capacity) return;
    if (count > kMostElements) throw std::bad_alloc();
    ArrayBlock* grown = makeArrayBlock(static_cast<std::uint32_t>(count));
    if (array != nullptr) {
        // A node moves by its bytes: nothing points into it.
        std::memcpy(static_cast<void*>(grown->items()), static_cast<void*>(array->items()),
                    array->size * sizeof(JsonValue));
        grown->size = array->size;
        ::operator delete(array);
    }
    setBlock(grown);
}

void JsonValue::appendItem(JsonValue item) {
    if (type() != JsonType::Array) becomeEmpty(JsonType::Array);
    auto* array = static_cast<ArrayBlock*>(block());
    if (array == nullptr || array->size == array->capacity) {
        const std::uint32_t size = array == nullptr ? 0 : array->size;
        reserveItems(grownCapacity(array == nullptr ? 0 : array->capacity, std::size_t{size} + 1));
        array = static_cast<ArrayBlock*>(block());
    }
    new (&array->items()[array->size]) JsonValue(std::move(item));
    ++array->size;
}

JsonValue jsonNull() { return JsonValue{}; }

JsonValue jsonBool(bool value) {
    JsonValue v;
    v.raw_[kTypeByte] = static_cast<unsigned char>(JsonType::Bool);
    v.raw_[kSmallByte] = value ? 1 : 0;
    return v;
}

JsonValue jsonNumber(double value) { return jsonNumber(value, {}); }

JsonValue jsonNumber(double value, std::string_view text) {
    JsonValue v;
    v.raw_[kTypeByte] = static_cast<unsigned char>(JsonType::Number);
    if (text.size() <= kNumberTextInPlace) {
        v.raw_[kSmallByte] = static_cast<unsigned char>(text.size());
        if (!text.empty()) std::memcpy(v.raw_ + kTextStart, text.data(), text.size());
        storeAt(v.raw_, kSlotStart, value);
    } else {
        v.raw_[kSmallByte] = kTextInBlock;
        v.setBlock(makeNumberBlock(value, text));
    }
    return v;
}

JsonValue jsonFloat(float value) {
    if (!std::isfinite(value)) return jsonNumber(static_cast<double>(value));
    return jsonNumber(static_cast<double>(value), shortestText(value));
}

JsonValue jsonString(std::string_view value) {
    JsonValue v;
    v.raw_[kTypeByte] = static_cast<unsigned char>(JsonType::String);
    if (value.size() <= kStringInPlace) {
        v.raw_[kSmallByte] = static_cast<unsigned char>(value.size());
        if (!value.empty()) std::memcpy(v.raw_ + kTextStart, value.data(), value.size());
    } else {
        v.raw_[kSmallByte] = kTextInBlock;
        v.setBlock(makeTextBlock(value));
    }
    return v;
}

JsonValue jsonArray() {
    JsonValue v;
    v.raw_[kTypeByte] = static_cast<unsigned char>(JsonType::Array);
    return v;
}

JsonValue jsonObject() {
    JsonValue v;
    v.raw_[kTypeByte] = static_cast<unsigned char>(JsonType::Object);
    return v;
}

const JsonValue* findMember(const JsonValue& value, std::string_view key) {
    if (value.type() != JsonType::Object || value.block() == nullptr) return nullptr;
    const JsonMember* member = lookUp(*static_cast<ObjectBlock*>(value.block()), key);
    return member == nullptr ? nullptr : &member->value;
}

JsonValue* findMember(JsonValue& value, std::string_view key) {
    return const_cast<JsonValue*>(findMember(static_cast<const JsonValue&>(value), key));
}

void appendNewMember(JsonValue& object, std::string_view key, JsonValue member) {
    if (object.type() != JsonType::Object) object.becomeEmpty(JsonType::Object);
    auto* block = static_cast<ObjectBlock*>(object.block());
    if (block == nullptr || block->size == block->capacity) {
        const std::uint32_t size = block == nullptr ? 0 : block->size;
        ObjectBlock* grown = makeObjectBlock(grownCapacity(block == nullptr ? 0 : block->capacity, size + 1));
        if (block != nullptr) {
            // Members move by their bytes: nothing points into them.
            std::memcpy(static_cast<void*>(grown->members()), static_cast<void*>(block->members()),
                        size * sizeof(JsonMember));
            grown->size = size;
            grown->slots = block->slots;
            grown->slotMask = block->slotMask;
            ::operator delete(block);
        }
        block = grown;
        object.setBlock(block);
    }
    new (&block->members()[block->size]) JsonMember{JsonKey(key), std::move(member)};
    ++block->size;
    if (block->size <= kIndexFrom) return;
    if (block->slots == nullptr || block->size * 2 > block->slotMask + 1) {
        rebuildIndex(*block, block->size);
    } else {
        placeInIndex(*block, block->size - 1);
    }
}

void setMember(JsonValue& value, std::string_view key, JsonValue member) {
    if (value.type() != JsonType::Object) value.becomeEmpty(JsonType::Object);
    if (JsonValue* existing = findMember(value, key)) {
        *existing = std::move(member);
        return;
    }
    appendNewMember(value, key, std::move(member));
}

void setListMember(std::vector<JsonMember>& list, std::string_view key, JsonValue member) {
    for (JsonMember& existing : list) {
        if (existing.key == key) {
            existing.value = std::move(member);
            return;
        }
    }
    list.push_back(JsonMember{JsonKey(key), std::move(member)});
}

std::string stringMemberOr(const JsonValue& value, std::string_view key, std::string_view fallback) {
    const JsonValue* member = findMember(value, key);
    if (member != nullptr && member->type() == JsonType::String) return std::string(member->string());
    return std::string(fallback);
}

const JsonValue& refreshedNumber(const JsonValue& target, const JsonValue* earlier) {
    const bool same = earlier != nullptr && earlier->type() == JsonType::Number &&
                      target.type() == JsonType::Number &&
                      sameNumberForWriting(target.number(), earlier->number());
    return same ? *earlier : target;
}

const JsonValue* pairedMember(const JsonValue& target, const JsonValue* earlier, std::string_view key) {
    if (earlier == nullptr || target.type() != JsonType::Object) return nullptr;
    return findMember(*earlier, key);
}

const JsonValue* pairedItem(const JsonValue& target, const JsonValue* earlier, std::size_t index) {
    if (earlier == nullptr || target.type() != JsonType::Array || earlier->type() != JsonType::Array) {
        return nullptr;
    }
    const std::size_t size = target.items().size();
    if (size == 0 || size != earlier->items().size()) return nullptr;
    return &earlier->items()[index];
}

void refreshNumbers(JsonValue& target, const JsonValue& earlier) {
    switch (target.type()) {
        case JsonType::Number: {
            const JsonValue& refreshed = refreshedNumber(target, &earlier);
            if (&refreshed != &target) target = refreshed;
            return;
        }
        case JsonType::Object: {
            const std::span<const JsonMember> members = target.members();
            for (std::size_t i = 0; i < members.size(); ++i) {
                if (const JsonValue* before = pairedMember(target, &earlier, members[i].key)) {
                    refreshNumbers(target.memberValue(i), *before);
                }
            }
            return;
        }
        case JsonType::Array: {
            const std::span<JsonValue> items = target.items();
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (const JsonValue* before = pairedItem(target, &earlier, i))
                    refreshNumbers(items[i], *before);
            }
            return;
        }
        default: return;
    }
}

bool operator==(const JsonValue& a, const JsonValue& b) {
    if (a.type() != b.type()) return false;
    switch (a.type()) {
        case JsonType::Null: return true;
        case JsonType::Bool: return a.boolean() == b.boolean();
        case JsonType::Number: {
            const bool bothNan = std::isnan(a.number()) && std::isnan(b.number());
            return (bothNan || a.number() == b.number()) && a.numberText() == b.numberText();
        }
        case JsonType::String: return a.string() == b.string();
        case JsonType::Array: {
            const std::span<const JsonValue> x = a.items();
            const std::span<const JsonValue> y = b.items();
            return std::equal(x.begin(), x.end(), y.begin(), y.end());
        }
        case JsonType::Object: {
            const std::span<const JsonMember> x = a.members();
            const std::span<const JsonMember> y = b.members();
            return std::equal(x.begin(), x.end(), y.begin(), y.end());
        }
    }
    return false;
}

bool operator==(const JsonMember& a, const JsonMember& b) { return a.key == b.key && a.value == b.value; }

} // namespace fennrow::document
