// The envelope every Tamber document shares: "kind", "spec" and "extensions".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/diagnostics.h"
#include "document/field_reader.h"
#include "document/json_value.h"

namespace fennrow::document {

struct SpecVersion {
    int32_t major = 1;
    int32_t minor = 0;
};

// The version this system knows and writes; also assumed when a document's own
// version is missing or unreadable.
inline constexpr SpecVersion kKnownSpecVersion{1, 0};

std::string specVersionText(SpecVersion version); // "1.0"
std::string knownSpecVersionText();
// "major.minor" with base-10 integers of 0 or more and nothing else.
std::optional<SpecVersion> parseSpecVersion(std::string_view text);

bool operator==(const SpecVersion& a, const SpecVersion& b);

struct ExtensionId {
    std::string id;      // not empty
    int32_t version = 1; // at least 1
};

std::string extensionIdText(const ExtensionId& extension); // "com.brightmoss.audition/1"
// "id/version": the last "/" neither first nor last, the version a base-10
// integer of at least 1.
std::optional<ExtensionId> parseExtensionId(std::string_view text);

bool operator==(const ExtensionId& a, const ExtensionId& b);

struct Envelope {
    std::string kind;
    SpecVersion spec = kKnownSpecVersion;
    std::vector<ExtensionId> extensionIds;       // in document order
    std::vector<JsonValue> unreadableExtensions; // entries that were no readable id
    bool extensionsIsList = true;                // false when "extensions" is not an array
    bool ok = false;
};

// The "extensions" member a document writes: the ids it declares, then the
// entries that were no readable id, as they were read; nothing when both
// lists are empty.
std::optional<JsonValue> extensionsJson(const std::vector<ExtensionId>& declared,
                                        const std::vector<JsonValue>& unreadable);

// Checks that `document` is an object of `expectedKind` and reads its version
// and extension ids. Fails (with an Error) only for a non-object or a wrong kind.
Envelope readEnvelope(const JsonValue& document, std::string_view expectedKind, DiagnosticList& list);

// How every document reader starts: the envelope read and accepted, and a
// reader of the document's members that has taken the envelope's members.
struct DocumentOpening {
    Envelope envelope;
    FieldReader reader;
};

// Nothing when the envelope is refused. The reader has taken "kind" and
// "spec" always, "extensions" only when it was a list (otherwise it is kept as
// written and comes back through the reader's remainder).
std::optional<DocumentOpening> readDocumentOpening(const JsonValue& document, std::string_view kind,
                                                   DiagnosticList& diagnostics);

} // namespace fennrow::document
