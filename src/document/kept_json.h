// A value that a document keeps as it was read and writes back unchanged.
// Copies share it: a save works on a copy of the document it writes, and a
// kept member may be nearly as large as the document itself.
#pragma once

#include <memory>
#include <utility>

#include "document/json_value.h"

namespace fennrow::document {

class KeptJson {
public:
    KeptJson() = default;     // Null
    KeptJson(JsonValue value) // NOLINT(google-explicit-constructor): a kept value is set from a value
        : value_(std::make_shared<const JsonValue>(std::move(value))) {}
    // A part of a tree that `owner` holds, shared with it rather than copied.
    KeptJson(std::shared_ptr<const JsonValue> owner, const JsonValue& part)
        : value_(std::move(owner), &part) {}

    const JsonValue& value() const noexcept { return value_ ? *value_ : null(); }
    operator const JsonValue&() const noexcept { return value(); } // NOLINT(google-explicit-constructor)
    const JsonValue* operator->() const noexcept { return &value(); }

private:
    static const JsonValue& null() noexcept {
        static const JsonValue kNull;
        return kNull;
    }

    std::shared_ptr<const JsonValue> value_;
};

} // namespace fennrow::document
