// The instance document: one complete sound of one plugin. The reader keeps
// whatever it cannot use, and the writer puts it back, so a document read and
// saved again loses no member and keeps the spelling of its numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/clip/clip.h"
#include "document/diagnostics.h"
#include "document/envelope.h"
#include "document/json_value.h"
#include "document/json_writer.h"

namespace fennrow {

inline constexpr std::string_view kInstanceKind = "instance";
inline constexpr std::string_view kCompleteScope = "complete";

struct InstanceDocument {
    SpecVersion spec = kKnownSpecVersion;
    std::string id;
    std::string plugin;
    int32_t formatVersion = 1;
    std::string pluginVersion;
    std::string scope{kCompleteScope};
    std::optional<uint64_t> seed;
    std::vector<ExtensionId> extensionIds;
    std::vector<JsonValue> unreadableExtensions;
    JsonValue meta;
    JsonValue provenance;
    std::vector<JsonMember> params; // parameter values (numbers) or choice ids (strings)
    JsonValue state;
    JsonValue hints;
    std::vector<JsonMember> assets;
    std::optional<Clip> audition; // kept and written back, never played
    JsonValue ext;
    // Every member the reader did not consume, and every known member that was
    // kept as written; an Object, or Null for a fresh document.
    JsonValue remainder;
    // The whole document as read, for keeping the spelling of unchanged numbers;
    // null for a fresh document. Never changed once read, so copies of the
    // document share it instead of copying a tree as large as the text.
    std::shared_ptr<const JsonValue> asRead;
};

// "factory:<name>" (a name of at least one byte) or "asset:" and 64 lower-case
// hex digits.
bool isAssetRef(std::string_view text);

// Nothing only when the envelope is refused (not an object, or not an instance).
std::optional<InstanceDocument> readInstance(const JsonValue& document, DiagnosticList& diagnostics);
// The same, keeping `document` itself as the as-read copy instead of a copy of
// it, so that a large document is not held twice.
std::optional<InstanceDocument> readInstance(JsonValue&& document, DiagnosticList& diagnostics);

// An Object in the instance key order, followed by the kept members.
JsonValue writeInstance(const InstanceDocument& document);
// The text of that Object, written straight from the document: nothing it
// holds is copied, so a save or the size of a save costs no second tree.
void writeInstance(JsonOutput& out, const InstanceDocument& document);

} // namespace fennrow
