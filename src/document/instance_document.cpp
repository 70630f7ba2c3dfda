#include "document/instance_document.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>

#include "document/clip/audition.h"
#include "document/clip/clip_writer.h"
#include "document/field_reader.h"
#include "document/json_writer.h"
#include "document/seed.h"

namespace fennrow::document {

namespace {

constexpr std::string_view kFactoryPrefix = "factory:";
constexpr std::string_view kAssetPrefix = "asset:";
constexpr std::size_t kAssetHashLength = 64;

// A formatVersion is taken when its truncation fits a signed 32-bit integer;
// these bounds are exclusive and exact in double.
constexpr double kFormatVersionBelowMin = -2147483649.0;
constexpr double kFormatVersionAboveMax = 2147483648.0;

// Members kept as they are, whatever their type.
struct FreeMember {
    std::string_view key;
    KeptJson InstanceDocument::*field;
};
constexpr FreeMember kFreeMembers[] = {
    {"meta", &InstanceDocument::meta},
    {"provenance", &InstanceDocument::provenance},
    {"hints", &InstanceDocument::hints},
    {"ext", &InstanceDocument::ext},
};
constexpr std::string_view kStateKey = "state";

bool isLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// A formatVersion beyond the 32-bit range is reported and kept as written
// here, where the clip reader saturates it (see readClip). Documents saved
// either way are written back the same, so the two rules stay apart.
void readFormatVersion(FieldReader& reader, InstanceDocument& doc, DiagnosticList& diagnostics) {
    const JsonValue* value = findMember(reader.object(), "formatVersion");
    if (value == nullptr) return;
    if (value->type() != JsonType::Number) {
        reader.get("formatVersion", JsonType::Number); // reports the wrong type
        return;
    }
    const double number = value->number();
    // Converting a value outside the integer range (or not a number at all) is
    // undefined; such a version cannot be one we know, so it is kept as written.
    if (!(number > kFormatVersionBelowMin && number < kFormatVersionAboveMax)) {
        appendWarning(diagnostics, "out-of-range", "/formatVersion",
                      "Expected a number within the 32-bit integer range; kept as written, not applied");
        return;
    }
    reader.markRead("formatVersion");
    doc.formatVersion = static_cast<int32_t>(number);
}

void readParams(FieldReader& reader, InstanceDocument& doc, DiagnosticList& diagnostics) {
    const JsonValue* params = reader.get("params", JsonType::Object);
    if (params == nullptr) return;
    // A parsed object holds each key once, so every member is taken as it stands.
    doc.params.reserve(params->members().size());
    for (const JsonMember& m : params->members()) {
        if (m.value.type() != JsonType::Number && m.value.type() != JsonType::String) {
            appendWarning(diagnostics, "wrong-type", childPath("/params", m.key),
                          "Expected a value or choice id; kept as written, not applied");
        }
        doc.params.push_back(m);
    }
}

void readAssets(FieldReader& reader, InstanceDocument& doc, DiagnosticList& diagnostics) {
    const JsonValue* assets = reader.get("assets", JsonType::Object);
    if (assets == nullptr) return;
    doc.assets.reserve(assets->members().size());
    for (const JsonMember& m : assets->members()) {
        if (m.value.type() != JsonType::String || !isAssetRef(m.value.string())) {
            appendWarning(diagnostics, "bad-asset-ref", childPath("/assets", m.key),
                          "Expected factory:<name> or asset:<sha256>; kept as written, not loaded");
        }
        doc.assets.push_back(m);
    }
}

// The ids the written document declares.
std::vector<ExtensionId> declaredExtensions(const InstanceDocument& doc) {
    std::vector<ExtensionId> declared = doc.extensionIds;
    if (doc.audition) declareAudition(declared);
    return declared;
}

// The lists come from a parsed object or from setters that keep each key once;
// setMember keeps the first place of a key anyway.
JsonValue membersObject(const std::vector<JsonMember>& members) {
    JsonValue object = jsonObject();
    for (const JsonMember& m : members) setMember(object, m.key, m.value);
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

// Everything but the as-read tree, which the caller adds: `document` less the
// members moved into the kept ones.
std::optional<InstanceDocument> readInstanceFields(JsonValue& document, DiagnosticList& diagnostics) {
    std::optional<DocumentOpening> opening = readDocumentOpening(document, kInstanceKind, diagnostics);
    if (!opening) return std::nullopt;
    Envelope& envelope = opening->envelope;
    FieldReader& reader = opening->reader;

    InstanceDocument doc;
    doc.spec = envelope.spec;
    doc.extensionIds = std::move(envelope.extensionIds);
    doc.unreadableExtensions = std::move(envelope.unreadableExtensions);

    if (auto id = getString(reader, "id")) doc.id = std::move(*id);
    if (auto plugin = getString(reader, "plugin")) doc.plugin = std::move(*plugin);
    if (doc.plugin.empty()) {
        appendWarning(diagnostics, "instance-without-plugin", "/plugin", "An instance names its plugin");
    }
    readFormatVersion(reader, doc, diagnostics);
    if (auto pluginVersion = getString(reader, "pluginVersion"))
        doc.pluginVersion = std::move(*pluginVersion);
    if (auto scope = getString(reader, "scope")) doc.scope = std::move(*scope);
    doc.seed = readSeed(reader);
    // Kept whatever its type; it stays in the as-read tree, which keeps the
    // spelling of the curves a save rewrites, and readInstance shares it.
    reader.getAny(kStateKey);
    readParams(reader, doc, diagnostics);
    readAssets(reader, doc, diagnostics);
    doc.audition = readAudition(document, diagnostics);
    if (doc.audition) reader.markRead(kAuditionKey);

    // Written back as they stand, these are moved rather than copied: a
    // refresh of their numbers against themselves would change nothing.
    for (const FreeMember& member : kFreeMembers) {
        if (reader.getAny(member.key) != nullptr) {
            doc.*member.field = std::move(*findMember(document, member.key));
        }
    }
    doc.remainder = reader.takeRest(document);
    return doc;
}

} // namespace

std::optional<InstanceDocument> readInstance(const JsonValue& document, DiagnosticList& diagnostics) {
    return readInstance(JsonValue(document), diagnostics);
}

std::optional<InstanceDocument> readInstance(JsonValue&& document, DiagnosticList& diagnostics) {
    std::optional<InstanceDocument> doc = readInstanceFields(document, diagnostics);
    if (!doc) return doc;
    doc->asRead = std::make_shared<const JsonValue>(std::move(document));
    if (const JsonValue* state = findMember(*doc->asRead, kStateKey))
        doc->state = KeptJson(doc->asRead, *state);
    return doc;
}

namespace {

// The members of a written document in order, each made for the writing or
// borrowed from the document; `made` keeps the first kind where they stay.
struct InstanceLayout {
    struct Member {
        std::string_view key;
        const JsonValue* value;
        // An Object of members written over those of `value` (see
        // InstanceDocument::stateRewrites), or null.
        const JsonValue* rewrites = nullptr;
    };
    std::vector<Member> members;
    std::deque<JsonValue> made;

    void add(std::string_view key, JsonValue value) {
        made.push_back(std::move(value));
        members.push_back({key, &made.back()});
    }
    void borrow(std::string_view key, const JsonValue& value) { members.push_back({key, &value}); }
    void rewrite(std::string_view key, const JsonValue& kept, const JsonValue& rewrites) {
        members.push_back({key, &kept, &rewrites});
    }
};

// The instance key order, then the kept members: one whose key is written
// already takes that place (the members laid out so far are a handful, and
// the kept ones hold each key once), the others follow.
InstanceLayout layOut(const InstanceDocument& doc) {
    InstanceLayout out;
    out.add("kind", jsonString(kInstanceKind));
    out.add("spec", jsonString(knownSpecVersionText()));
    if (!doc.id.empty()) out.add("id", jsonString(doc.id));
    out.add("plugin", jsonString(doc.plugin));
    out.add("formatVersion", jsonNumber(static_cast<double>(doc.formatVersion)));
    if (!doc.pluginVersion.empty()) out.add("pluginVersion", jsonString(doc.pluginVersion));
    out.add("scope", jsonString(doc.scope));
    if (doc.seed) out.add("seed", jsonString(seedText(*doc.seed)));

    if (std::optional<JsonValue> extensions =
            extensionsJson(declaredExtensions(doc), doc.unreadableExtensions)) {
        out.add("extensions", std::move(*extensions));
    }

    if (doc.meta->type() != JsonType::Null) out.borrow("meta", doc.meta);
    if (doc.provenance->type() != JsonType::Null) out.borrow("provenance", doc.provenance);
    out.add("params", membersObject(doc.params));
    const bool hasRewrites = doc.stateRewrites.type() == JsonType::Object;
    if (hasRewrites && doc.state->type() == JsonType::Object) {
        out.rewrite(kStateKey, doc.state, doc.stateRewrites);
    } else if (hasRewrites) {
        out.borrow(kStateKey, doc.stateRewrites);
    } else if (doc.state->type() != JsonType::Null) {
        out.borrow(kStateKey, doc.state);
    } else {
        out.add(kStateKey, jsonObject());
    }
    if (doc.hints->type() != JsonType::Null) out.borrow("hints", doc.hints);
    if (!doc.assets.empty()) out.add("assets", membersObject(doc.assets));
    if (doc.audition) out.add(kAuditionKey, writeClip(*doc.audition));
    // An empty "ext" object says nothing and is dropped; anything else that is
    // not an object was read as it stood and is written back the same way.
    const bool extHasContent =
        doc.ext->type() == JsonType::Object ? !doc.ext->members().empty() : doc.ext->type() != JsonType::Null;
    if (extHasContent) out.borrow("ext", doc.ext);

    const std::size_t laidOut = out.members.size();
    for (const JsonMember& m : doc.remainder->members()) {
        const auto end = out.members.begin() + static_cast<std::ptrdiff_t>(laidOut);
        const auto same = std::find_if(out.members.begin(), end, [&m](const InstanceLayout::Member& w) {
            return w.key == m.key.view();
        });
        if (same != end) {
            *same = {same->key, &m.value};
        } else {
            out.borrow(m.key, m.value);
        }
    }
    return out;
}

// The value of a member with its rewrites set over it.
JsonValue withRewrites(const InstanceLayout::Member& m) {
    JsonValue value = *m.value;
    if (m.rewrites != nullptr) {
        for (const JsonMember& r : m.rewrites->members()) setMember(value, r.key, r.value);
    }
    return value;
}

// What the as-read tree pairs `value`, the member `key` of the written object,
// with; none when that is `value` itself, whose spellings it would keep anyway.
const JsonValue* pairedEarlier(const JsonValue& value, const JsonValue* earlier, std::string_view key) {
    const JsonValue* paired = earlier == nullptr ? nullptr : findMember(*earlier, key);
    return paired == &value ? nullptr : paired;
}

void appendMember(JsonOutput& out, bool first, std::string_view key, const JsonValue& value,
                  const JsonValue* earlier) {
    if (!first) out.push(',');
    appendJsonString(out, key);
    out.push(':');
    appendJson(out, value, pairedEarlier(value, earlier, key));
}

// The text of withRewrites(m), written from the kept members and the rewrites.
void appendRewritten(JsonOutput& out, const InstanceLayout::Member& m, const JsonValue* earlier) {
    out.push('{');
    bool first = true;
    for (const JsonMember& kept : m.value->members()) {
        const JsonValue* rewrite = findMember(*m.rewrites, kept.key);
        appendMember(out, first, kept.key, rewrite != nullptr ? *rewrite : kept.value, earlier);
        first = false;
    }
    for (const JsonMember& r : m.rewrites->members()) {
        if (findMember(*m.value, r.key) == nullptr) {
            appendMember(out, first, r.key, r.value, earlier);
            first = false;
        }
    }
    out.push('}');
}

} // namespace

JsonValue writeInstance(const InstanceDocument& doc) {
    const InstanceLayout layout = layOut(doc);
    JsonValue out = jsonObject();
    for (const InstanceLayout::Member& m : layout.members) appendNewMember(out, m.key, withRewrites(m));
    if (doc.asRead) refreshNumbers(out, *doc.asRead);
    return out;
}

void writeInstance(JsonOutput& out, const InstanceDocument& doc) {
    const InstanceLayout layout = layOut(doc);
    const JsonValue* asRead = doc.asRead.get();
    out.push('{');
    bool first = true;
    for (const InstanceLayout::Member& m : layout.members) {
        if (m.rewrites == nullptr) {
            appendMember(out, first, m.key, *m.value, asRead);
        } else {
            if (!first) out.push(',');
            appendJsonString(out, m.key);
            out.push(':');
            appendRewritten(out, m, asRead == nullptr ? nullptr : findMember(*asRead, m.key));
        }
        first = false;
    }
    out.push('}');
}

} // namespace fennrow::document
