// Whatever reads as an instance document is written so that it reads again,
// gives the same tree and the same text, and keeps every member that it does
// not understand; the same holds for the clip it may carry as its audition.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "document/clip/audition.h"
#include "document/clip/clip_reader.h"
#include "document/diagnostics.h"
#include "document/instance_document.h"
#include "document/json_parser.h"
#include "document/json_value.h"
#include "document/json_writer.h"

namespace {

using namespace fennrow;

void check(bool condition) {
    if (!condition) std::abort();
}

// What the tree looks like once written: numbers that are not finite become
// null, and every number is spelt as the writer spells it.
void settle(JsonValue& value) {
    if (value.type() == JsonType::Number) {
        value = std::isfinite(value.number()) ? jsonNumber(value.number(), writeJson(value)) : JsonValue{};
        return;
    }
    for (JsonValue& item : value.items()) settle(item);
    for (std::size_t i = 0; i < value.members().size(); ++i) settle(value.memberValue(i));
}

constexpr std::string_view kKnownKeys[] = {
    "kind",  "spec",  "id",         "plugin",   "formatVersion", "pluginVersion",
    "scope", "seed",  "extensions", "meta",     "provenance",    "params",
    "state", "hints", "assets",     "audition", "ext",
};

bool isKnownKey(std::string_view key) {
    for (std::string_view known : kKnownKeys) {
        if (key == known) return true;
    }
    return false;
}

bool isEmptyOf(const JsonValue& value, JsonType type) {
    return value.type() == type && value.string().empty() && value.items().empty() && value.members().empty();
}

// Members that say nothing may be left out of the written document.
bool mayBeDropped(const JsonMember& m) {
    const std::string_view key = m.key;
    if (key == "meta" || key == "provenance" || key == "hints") return m.value.type() == JsonType::Null;
    if (key == "ext") return m.value.type() == JsonType::Null || isEmptyOf(m.value, JsonType::Object);
    if (key == "id" || key == "pluginVersion") return isEmptyOf(m.value, JsonType::String);
    if (key == "assets") return isEmptyOf(m.value, JsonType::Object);
    if (key == "extensions") return isEmptyOf(m.value, JsonType::Array);
    return false;
}

bool hasNonFiniteNumber(const JsonValue& value) {
    if (value.type() == JsonType::Number && !std::isfinite(value.number())) return true;
    for (const JsonValue& item : value.items()) {
        if (hasNonFiniteNumber(item)) return true;
    }
    for (const JsonMember& m : value.members()) {
        if (hasNonFiniteNumber(m.value)) return true;
    }
    return false;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Only the envelope of the instance refuses it; the errors of a broken
// audition are reported under "/audition" and the instance is still read.
bool hasInstanceError(const DiagnosticList& list) {
    for (const Diagnostic& d : list) {
        if (d.severity == Severity::Error && !startsWith(d.path, "/audition")) return true;
    }
    return false;
}

bool declares(const JsonValue& extensions, std::string_view id) {
    for (const JsonValue& entry : extensions.items()) {
        if (entry.type() == JsonType::String && startsWith(entry.string(), id) &&
            entry.string().size() > id.size() && entry.string()[id.size()] == '/') {
            return true;
        }
    }
    return false;
}

// Every member that a record of the clip did not consume comes back in the
// written record as it was read.
void checkRemainderBack(const JsonValue& remainder, const JsonValue& out) {
    for (const JsonMember& m : remainder.members()) {
        const JsonValue* back = findMember(out, m.key);
        check(back != nullptr);
        JsonValue expected = m.value;
        settle(expected);
        check(*back == expected);
    }
}

// An element kept as written comes back unchanged in its place; a readable one
// keeps its remainder, and `inner` checks what it holds.
template <typename Element, typename Inner>
void checkElementsBack(const std::vector<Element>& elements, const JsonValue* out, Inner inner) {
    if (elements.empty()) return;
    check(out != nullptr && out->type() == JsonType::Array && out->items().size() == elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (elements[i].keptAsWritten) {
            JsonValue expected = elements[i].asRead;
            settle(expected);
            check(out->items()[i] == expected);
        } else {
            checkRemainderBack(elements[i].remainder, out->items()[i]);
            inner(elements[i], out->items()[i]);
        }
    }
}

void checkAuditionKept(const Clip& clip, const JsonValue& out) {
    const auto nothing = [](const auto&, const JsonValue&) {};
    checkRemainderBack(clip.remainder, out);
    checkElementsBack(clip.tempo, findMember(out, "tempo"), nothing);
    checkElementsBack(clip.meter, findMember(out, "meter"), nothing);
    checkElementsBack(clip.swing, findMember(out, "swing"), nothing);
    checkElementsBack(clip.notes, findMember(out, "notes"), [](const ClipNote& note, const JsonValue& back) {
        if (!note.rand) return;
        const JsonValue* rand = findMember(back, "rand");
        check(rand != nullptr);
        checkRemainderBack(note.rand->remainder, *rand);
    });
    checkElementsBack(clip.lanes, findMember(out, "lanes"), [&](const Lane& lane, const JsonValue& back) {
        checkElementsBack(lane.points, findMember(back, "points"), nothing);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const JsonParseResult input = parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!input.ok) return 0;
    DiagnosticList list;
    const std::optional<InstanceDocument> doc = readInstance(input.value, list);
    check(doc.has_value() != hasInstanceError(list));
    if (!doc) return 0;

    JsonValue out = writeInstance(*doc);
    const std::string written = writeJson(out);
    const JsonParseResult reparsed = parseJson(written);
    check(reparsed.ok);
    settle(out);
    check(reparsed.value == out);

    // Nothing is lost: unknown members come back as they were read.
    for (const JsonMember& m : input.value.members()) {
        const JsonValue* back = findMember(out, m.key);
        if (back == nullptr) {
            check(mayBeDropped(m));
            continue;
        }
        if (!isKnownKey(m.key)) {
            JsonValue expected = m.value;
            settle(expected);
            check(*back == expected);
        }
    }

    // A readable audition comes back as a clip, declared, with what it kept;
    // an unreadable one comes back as it was read.
    if (const JsonValue* audition = findMember(input.value, "audition")) {
        // The clip's own findings, re-based under "/audition", in order, and
        // "bad-audition" after them when it was refused.
        DiagnosticList clipList;
        const bool isClip = readClip(*audition, clipList).has_value();
        check(isClip == doc->audition.has_value());
        DiagnosticList expected;
        for (Diagnostic d : clipList) {
            d.path = "/audition" + d.path;
            expected.push_back(d);
        }
        if (!isClip) appendWarning(expected, "bad-audition", "/audition", "");
        std::size_t next = 0;
        for (const Diagnostic& d : list) {
            if (!startsWith(d.path, "/audition")) continue;
            check(next < expected.size());
            check(d.severity == expected[next].severity && d.code == expected[next].code &&
                  d.path == expected[next].path);
            check(d.code == "bad-audition" || d.message == expected[next].message);
            ++next;
        }
        check(next == expected.size());
        const JsonValue* back = findMember(out, "audition");
        check(back != nullptr);
        if (doc->audition) {
            check(stringMemberOr(*back, "kind", "") == "clip");
            const JsonValue* extensions = findMember(out, "extensions");
            const JsonValue* declared = findMember(input.value, "extensions");
            if (declared == nullptr || declared->type() == JsonType::Array) {
                check(extensions != nullptr && declares(*extensions, kAuditionExtension));
            }
            checkAuditionKept(*doc->audition, *back);
        } else {
            JsonValue expected = *audition;
            settle(expected);
            check(*back == expected);
        }
    }

    // Read and written once more, the text stays the same. A number that is
    // not finite is written as null, which reads back as a wrongly typed member
    // and may then move behind the known keys; from there on the text is stable.
    DiagnosticList again;
    const std::optional<InstanceDocument> doc2 = readInstance(reparsed.value, again);
    check(doc2.has_value());
    const std::string writtenAgain = writeJson(writeInstance(*doc2));
    if (!hasNonFiniteNumber(input.value)) {
        check(writtenAgain == written);
        return 0;
    }
    const JsonParseResult third = parseJson(writtenAgain);
    check(third.ok);
    DiagnosticList onceMore;
    const std::optional<InstanceDocument> doc3 = readInstance(third.value, onceMore);
    check(doc3.has_value());
    check(writeJson(writeInstance(*doc3)) == writtenAgain);
    return 0;
}
