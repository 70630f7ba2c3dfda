#include "document/instance_document.h"

#include <utility>

#include "document/clip/audition.h"
#include "document/clip/clip_writer.h"
#include "document/field_reader.h"

namespace fennrow {

namespace {

constexpr std::string_view kFactoryPrefix = "factory:";
constexpr std::string_view kAssetPrefix = "asset:";
constexpr std::size_t kAssetHashLength = 64;
constexpr std::size_t kSeedDigits = 16;
constexpr std::string_view kHexDigits = "0123456789abcdef";

// A formatVersion is taken when its truncation fits a signed 32-bit integer;
// these bounds are exclusive and exact in double.
constexpr double kFormatVersionBelowMin = -2147483649.0;
constexpr double kFormatVersionAboveMax = 2147483648.0;

// Members copied as they are, whatever their type.
struct FreeMember {
    std::string_view key;
    JsonValue InstanceDocument::*field;
};
constexpr FreeMember kFreeMembers[] = {
    {"meta", &InstanceDocument::meta},   {"provenance", &InstanceDocument::provenance},
    {"state", &InstanceDocument::state}, {"hints", &InstanceDocument::hints},
    {"ext", &InstanceDocument::ext},
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

std::optional<uint64_t> parseSeed(const JsonValue& value) {
    if (value.type != JsonType::String || value.string.size() != kSeedDigits) return std::nullopt;
    uint64_t seed = 0;
    for (char c : value.string) {
        const int digit = hexValue(c);
        if (digit < 0) return std::nullopt;
        seed = (seed << 4) | static_cast<uint64_t>(digit);
    }
    return seed;
}

std::string seedText(uint64_t seed) {
    std::string text(kSeedDigits, '0');
    for (std::size_t i = kSeedDigits; i-- > 0;) {
        text[i] = kHexDigits[seed & 0xF];
        seed >>= 4;
    }
    return text;
}

void putMember(std::vector<JsonMember>& members, const std::string& key, const JsonValue& value) {
    for (JsonMember& m : members) {
        if (m.key == key) {
            m.value = value;
            return;
        }
    }
    members.push_back(JsonMember{key, value});
}

void readFormatVersion(FieldReader& reader, InstanceDocument& doc, DiagnosticList& list) {
    const JsonValue* value = findMember(reader.object(), "formatVersion");
    if (value == nullptr) return;
    if (value->type != JsonType::Number) {
        reader.get("formatVersion", JsonType::Number); // reports the wrong type
        return;
    }
    const double number = value->number;
    // Converting a value outside the integer range (or not a number at all) is
    // undefined; such a version cannot be one we know, so it is kept as written.
    if (!(number > kFormatVersionBelowMin && number < kFormatVersionAboveMax)) {
        appendWarning(list, "out-of-range", "/formatVersion",
                      "Expected a number within the 32-bit integer range; kept as written, not applied");
        return;
    }
    reader.markRead("formatVersion");
    doc.formatVersion = static_cast<int32_t>(number);
}

void readSeed(FieldReader& reader, InstanceDocument& doc, DiagnosticList& list) {
    const JsonValue* value = findMember(reader.object(), "seed");
    if (value == nullptr) return;
    doc.seed = parseSeed(*value);
    if (doc.seed) {
        reader.markRead("seed");
    } else {
        appendWarning(list, "bad-seed", "/seed", "A seed is 16 hex digits; kept as written, not used");
    }
}

void readParams(FieldReader& reader, InstanceDocument& doc, DiagnosticList& list) {
    const JsonValue* params = reader.get("params", JsonType::Object);
    if (params == nullptr) return;
    for (const JsonMember& m : params->members) {
        if (m.value.type != JsonType::Number && m.value.type != JsonType::String) {
            appendWarning(list, "wrong-type", childPath("/params", m.key),
                          "Expected a value or choice id; kept as written, not applied");
        }
        putMember(doc.params, m.key, m.value);
    }
}

void readAssets(FieldReader& reader, InstanceDocument& doc, DiagnosticList& list) {
    const JsonValue* assets = reader.get("assets", JsonType::Object);
    if (assets == nullptr) return;
    for (const JsonMember& m : assets->members) {
        if (m.value.type != JsonType::String || !isAssetRef(m.value.string)) {
            appendWarning(list, "bad-asset-ref", childPath("/assets", m.key),
                          "Expected factory:<name> or asset:<sha256>; kept as written, not loaded");
        }
        putMember(doc.assets, m.key, m.value);
    }
}

// The ids the written document declares.
std::vector<ExtensionId> declaredExtensions(const InstanceDocument& doc) {
    std::vector<ExtensionId> declared = doc.extensionIds;
    if (doc.audition) declareAudition(declared);
    return declared;
}

JsonValue membersObject(const std::vector<JsonMember>& members) {
    JsonValue object = jsonObject();
    object.members = members;
    return object;
}

} // namespace

bool isAssetRef(std::string_view text) {
    if (text.substr(0, kFactoryPrefix.size()) == kFactoryPrefix) return text.size() > kFactoryPrefix.size();
    if (text.substr(0, kAssetPrefix.size()) != kAssetPrefix) return false;
    const std::string_view hash = text.substr(kAssetPrefix.size());
    if (hash.size() != kAssetHashLength) return false;
    for (char c : hash) {
        if (!isLowerHex(c)) return false;
    }
    return true;
}

namespace {

// Everything but the as-read copy, which the callers below add.
std::optional<InstanceDocument> readInstanceFields(const JsonValue& document, DiagnosticList& list) {
    Envelope envelope = readEnvelope(document, kInstanceKind, list);
    if (!envelope.ok) return std::nullopt;

    FieldReader reader(document, "", list);
    markEnvelopeRead(reader, envelope);

    InstanceDocument doc;
    doc.spec = envelope.spec;
    doc.extensionIds = std::move(envelope.extensionIds);
    doc.unreadableExtensions = std::move(envelope.unreadableExtensions);

    doc.id = getString(reader, "id").value_or("");
    doc.plugin = getString(reader, "plugin").value_or("");
    if (doc.plugin.empty()) {
        appendWarning(list, "instance-without-plugin", "/plugin", "An instance names its plugin");
    }
    readFormatVersion(reader, doc, list);
    doc.pluginVersion = getString(reader, "pluginVersion").value_or("");
    doc.scope = getString(reader, "scope").value_or(std::string(kCompleteScope));
    readSeed(reader, doc, list);
    for (const FreeMember& member : kFreeMembers) {
        if (const JsonValue* value = findMember(document, member.key)) {
            doc.*member.field = *value;
            reader.markRead(member.key);
        }
    }
    readParams(reader, doc, list);
    readAssets(reader, doc, list);
    doc.audition = readAudition(document, list);
    if (doc.audition) reader.markRead(kAuditionKey);

    doc.keptRemainder = reader.rest();
    return doc;
}

} // namespace

std::optional<InstanceDocument> readInstance(const JsonValue& document, DiagnosticList& list) {
    std::optional<InstanceDocument> doc = readInstanceFields(document, list);
    if (doc) doc->asRead = document;
    return doc;
}

std::optional<InstanceDocument> readInstance(JsonValue&& document, DiagnosticList& list) {
    std::optional<InstanceDocument> doc = readInstanceFields(document, list);
    if (doc) doc->asRead = std::move(document);
    return doc;
}

JsonValue writeInstance(const InstanceDocument& doc) {
    JsonValue out = jsonObject();
    setMember(out, "kind", jsonString(std::string(kInstanceKind)));
    setMember(out, "spec", jsonString(knownSpecVersionText()));
    if (!doc.id.empty()) setMember(out, "id", jsonString(doc.id));
    setMember(out, "plugin", jsonString(doc.plugin));
    setMember(out, "formatVersion", jsonNumber(static_cast<double>(doc.formatVersion)));
    if (!doc.pluginVersion.empty()) setMember(out, "pluginVersion", jsonString(doc.pluginVersion));
    setMember(out, "scope", jsonString(doc.scope));
    if (doc.seed) setMember(out, "seed", jsonString(seedText(*doc.seed)));

    const std::vector<ExtensionId> declared = declaredExtensions(doc);
    if (!declared.empty() || !doc.unreadableExtensions.empty()) {
        JsonValue extensions = jsonArray();
        for (const ExtensionId& id : declared) extensions.items.push_back(jsonString(extensionIdText(id)));
        for (const JsonValue& entry : doc.unreadableExtensions) extensions.items.push_back(entry);
        setMember(out, "extensions", std::move(extensions));
    }

    if (doc.meta.type != JsonType::Null) setMember(out, "meta", doc.meta);
    if (doc.provenance.type != JsonType::Null) setMember(out, "provenance", doc.provenance);
    setMember(out, "params", membersObject(doc.params));
    setMember(out, "state", doc.state.type != JsonType::Null ? doc.state : jsonObject());
    if (doc.hints.type != JsonType::Null) setMember(out, "hints", doc.hints);
    if (!doc.assets.empty()) setMember(out, "assets", membersObject(doc.assets));
    if (doc.audition) setMember(out, kAuditionKey, writeClip(*doc.audition));
    // An empty "ext" object says nothing and is dropped; anything else that is
    // not an object was read as it stood and is written back the same way.
    const bool extHasContent =
        doc.ext.type == JsonType::Object ? !doc.ext.members.empty() : doc.ext.type != JsonType::Null;
    if (extHasContent) setMember(out, "ext", doc.ext);

    if (doc.keptRemainder.type == JsonType::Object) {
        for (const JsonMember& m : doc.keptRemainder.members) setMember(out, m.key, m.value);
    }
    refreshNumbers(out, doc.asRead);
    return out;
}

} // namespace fennrow
