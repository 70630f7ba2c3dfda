// Reading the page's requests and writing the server's answers as JSON, with
// the project's own JSON value, parser and writer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "document/diagnostics.h"
#include "document/json_value.h"
#include "page_sound.h"

namespace fennrow {

// A member of a request body through the document's field readers; nothing
// (or false) when it is missing or of another type.
std::optional<std::string> stringField(const document::JsonValue& object, std::string_view key);
std::optional<double> numberField(const document::JsonValue& object, std::string_view key);
bool boolField(const document::JsonValue& object, std::string_view key);

// {"params": {"<id>": value, ...}, "curves": [[64 numbers] x 8]}; nothing when
// anything is missing, misshapen or not a finite number.
std::optional<PageSound> pageSoundFrom(const document::JsonValue& value, std::string& error);
document::JsonValue pageSoundJson(const PageSound& sound);

document::JsonValue findingsJson(const document::DiagnosticList& findings);

// An Array of the texts of `strings`, in order.
template <typename Strings>
document::JsonValue stringListJson(const Strings& strings) {
    document::JsonValue list = document::jsonArray();
    for (const auto& text : strings) list.appendItem(document::jsonString(text));
    return list;
}

document::JsonValue errorJson(const std::string& message);

} // namespace fennrow
