#include "document/envelope.h"

#include <charconv>
#include <system_error>
#include <utility>

namespace fennrow::document {

namespace {

constexpr std::string_view kKindKey = "kind";
constexpr std::string_view kSpecKey = "spec";
constexpr std::string_view kExtensionsKey = "extensions";
constexpr std::string_view kKindPath = "/kind";
constexpr std::string_view kSpecPath = "/spec";
constexpr std::string_view kExtensionsPath = "/extensions";

// A base-10 integer that takes all of `text` (leading zeros and a minus sign
// are accepted, a plus sign or spaces are not).
std::optional<int32_t> parseWholeInt(std::string_view text) {
    int32_t value = 0;
    const char* last = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), last, value, 10);
    if (result.ec != std::errc{} || result.ptr != last) return std::nullopt;
    return value;
}

void readSpec(const JsonValue& document, Envelope& envelope, DiagnosticList& list) {
    const JsonValue* spec = findMember(document, kSpecKey);
    if (spec == nullptr) {
        appendNote(list, "spec-missing", std::string(kSpecPath),
                   "No spec version, read as " + knownSpecVersionText());
        return;
    }
    const std::optional<SpecVersion> version =
        spec->type() == JsonType::String ? parseSpecVersion(spec->string()) : std::nullopt;
    if (!version) {
        appendWarning(list, "bad-spec-version", std::string(kSpecPath),
                      "Unreadable spec version, read as " + knownSpecVersionText());
        return;
    }
    envelope.spec = *version;
    if (version->major > kKnownSpecVersion.major) {
        appendWarning(list, "spec-newer-major", std::string(kSpecPath),
                      "Document uses spec " + std::string(spec->string()) + ", newer than " +
                          knownSpecVersionText() + "; known fields are read and the rest is kept");
    }
}

void readExtensions(const JsonValue& document, Envelope& envelope, DiagnosticList& list) {
    const JsonValue* extensions = findMember(document, kExtensionsKey);
    if (extensions == nullptr) return;
    if (extensions->type() != JsonType::Array) {
        appendWarning(list, "wrong-type", std::string(kExtensionsPath),
                      "Expected a list of extension ids; kept as written");
        envelope.extensionsIsList = false;
        return;
    }
    const std::span<const JsonValue> entries = extensions->items();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const JsonValue& entry = entries[i];
        std::optional<ExtensionId> id =
            entry.type() == JsonType::String ? parseExtensionId(entry.string()) : std::nullopt;
        if (id) {
            envelope.extensionIds.push_back(std::move(*id));
            continue;
        }
        envelope.unreadableExtensions.push_back(entry);
        appendWarning(list, "bad-extension-id", indexPath(kExtensionsPath, i),
                      "Unreadable extension id, ignored and kept");
    }
}

} // namespace

std::optional<JsonValue> extensionsJson(const std::vector<ExtensionId>& declared,
                                        const std::vector<JsonValue>& unreadable) {
    if (declared.empty() && unreadable.empty()) return std::nullopt;
    JsonValue list = jsonArray();
    list.reserveItems(declared.size() + unreadable.size());
    for (const ExtensionId& id : declared) list.appendItem(jsonString(extensionIdText(id)));
    for (const JsonValue& entry : unreadable) list.appendItem(entry);
    return list;
}

std::string specVersionText(SpecVersion version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor);
}

std::string knownSpecVersionText() { return specVersionText(kKnownSpecVersion); }

std::optional<SpecVersion> parseSpecVersion(std::string_view text) {
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::optional<int32_t> major = parseWholeInt(text.substr(0, dot));
    const std::optional<int32_t> minor = parseWholeInt(text.substr(dot + 1));
    if (!major || !minor || *major < 0 || *minor < 0) return std::nullopt;
    return SpecVersion{*major, *minor};
}

bool operator==(const SpecVersion& a, const SpecVersion& b) {
    return a.major == b.major && a.minor == b.minor;
}

std::string extensionIdText(const ExtensionId& extension) {
    return extension.id + "/" + std::to_string(extension.version);
}

std::optional<ExtensionId> parseExtensionId(std::string_view text) {
    const std::size_t slash = text.rfind('/');
    if (slash == std::string_view::npos || slash == 0 || slash + 1 == text.size()) return std::nullopt;
    const std::optional<int32_t> version = parseWholeInt(text.substr(slash + 1));
    if (!version || *version < 1) return std::nullopt;
    return ExtensionId{std::string(text.substr(0, slash)), *version};
}

bool operator==(const ExtensionId& a, const ExtensionId& b) { return a.id == b.id && a.version == b.version; }

Envelope readEnvelope(const JsonValue& document, std::string_view expectedKind, DiagnosticList& list) {
    Envelope envelope;
    if (document.type() != JsonType::Object) {
        appendError(list, "not-a-document", "", "Expected a JSON object");
        return envelope;
    }
    envelope.kind = stringMemberOr(document, kKindKey, "");
    if (envelope.kind != expectedKind) {
        std::string message = "Expected kind \"";
        message.append(expectedKind);
        message.append("\", found \"");
        message.append(quotedValue(envelope.kind));
        message.push_back('"');
        appendError(list, "wrong-kind", std::string(kKindPath), std::move(message));
        return envelope;
    }
    readSpec(document, envelope, list);
    readExtensions(document, envelope, list);
    envelope.ok = true;
    return envelope;
}

std::optional<DocumentOpening> readDocumentOpening(const JsonValue& document, std::string_view kind,
                                                   DiagnosticList& diagnostics) {
    Envelope envelope = readEnvelope(document, kind, diagnostics);
    if (!envelope.ok) return std::nullopt;
    FieldReader reader(document, "", diagnostics);
    reader.markRead(kKindKey);
    reader.markRead(kSpecKey);
    if (envelope.extensionsIsList) reader.markRead(kExtensionsKey);
    return DocumentOpening{std::move(envelope), std::move(reader)};
}

} // namespace fennrow::document
