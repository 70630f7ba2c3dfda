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
#include "document/kept_json.h"

namespace fennrow::document {

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
    KeptJson meta;
    KeptJson provenance;
    std::vector<JsonMember> params; // parameter values (numbers) or choice ids (strings)
    KeptJson state;
    // The members of "state" that a save writes anew: each takes the place of
    // the kept one of its key, or follows the kept ones, or, when the kept
    // state is no object, makes the state alone. An Object, or Null for none.
    JsonValue stateRewrites;
    KeptJson hints;
    std::vector<JsonMember> assets;
    std::optional<Clip> audition; // kept and written back, never played
    KeptJson ext;
    // Every member the reader did not consume, and every known member that was
    // kept as written; an Object, or Null for a fresh document.
    KeptJson remainder;
    // The document as read, for keeping the spelling of unchanged numbers in
    // what a save writes anew; null for a fresh document. The kept members
    // above were moved out of it (they are written back as they stand), but
    // for the state, which `state` shares with it: its curves are what a save
    // rewrites. It never changes once read, so copies of the document share it.
    std::shared_ptr<const JsonValue> asRead;
};

// "factory:<name>" (a name of at least one byte) or "asset:" and 64 lower-case
// hex digits.
bool isAssetRef(std::string_view text);

// Nothing only when the envelope is refused (not an object, or not an instance).
std::optional<InstanceDocument> readInstance(const JsonValue& document, DiagnosticList& diagnostics);
// The same, taking `document` apart instead of copying it, so that a large
// document is neither copied nor held twice.
std::optional<InstanceDocument> readInstance(JsonValue&& document, DiagnosticList& diagnostics);

// An Object in the instance key order, followed by the kept members.
JsonValue writeInstance(const InstanceDocument& document);
// The text of that Object, written straight from the document: nothing it
// holds is copied, so a save or the size of a save costs no second tree.
void writeInstance(JsonOutput& out, const InstanceDocument& document);

} // namespace fennrow::document
