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
void settle(document::JsonValue& value) {
    if (value.type() == document::JsonType::Number) {
        value = std::isfinite(value.number()) ? document::jsonNumber(value.number(), writeJson(value))
                                              : document::JsonValue{};
        return;
    }
    for (document::JsonValue& item : value.items()) settle(item);
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

bool isEmptyOf(const document::JsonValue& value, document::JsonType type) {
    return value.type() == type && value.string().empty() && value.items().empty() && value.members().empty();
}

// Members that say nothing may be left out of the written document.
bool mayBeDropped(const document::JsonMember& m) {
    const std::string_view key = m.key;
    if (key == "meta" || key == "provenance" || key == "hints")
        return m.value.type() == document::JsonType::Null;
    if (key == "ext")
        return m.value.type() == document::JsonType::Null || isEmptyOf(m.value, document::JsonType::Object);
    if (key == "id" || key == "pluginVersion") return isEmptyOf(m.value, document::JsonType::String);
    if (key == "assets") return isEmptyOf(m.value, document::JsonType::Object);
    if (key == "extensions") return isEmptyOf(m.value, document::JsonType::Array);
    return false;
}

bool hasNonFiniteNumber(const document::JsonValue& value) {
    if (value.type() == document::JsonType::Number && !std::isfinite(value.number())) return true;
    for (const document::JsonValue& item : value.items()) {
        if (hasNonFiniteNumber(item)) return true;
    }
    for (const document::JsonMember& m : value.members()) {
        if (hasNonFiniteNumber(m.value)) return true;
    }
    return false;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Only the envelope of the instance refuses it; the errors of a broken
// audition are reported under "/audition" and the instance is still read.
bool hasInstanceError(const document::DiagnosticList& list) {
    for (const document::Diagnostic& d : list) {
        if (d.severity == document::Severity::Error && !startsWith(d.path, "/audition")) return true;
    }
    return false;
}

bool declares(const document::JsonValue& extensions, std::string_view id) {
    for (const document::JsonValue& entry : extensions.items()) {
        if (entry.type() == document::JsonType::String && startsWith(entry.string(), id) &&
            entry.string().size() > id.size() && entry.string()[id.size()] == '/') {
            return true;
        }
    }
    return false;
}

// Every member that a record of the clip did not consume comes back in the
// written record as it was read.
void checkRemainderBack(const document::JsonValue& remainder, const document::JsonValue& out) {
    for (const document::JsonMember& m : remainder.members()) {
        const document::JsonValue* back = findMember(out, m.key);
        check(back != nullptr);
        document::JsonValue expected = m.value;
        settle(expected);
        check(*back == expected);
    }
}

// An element kept as written comes back unchanged in its place; a readable one
// keeps its remainder, and `inner` checks what it holds.
template <typename Element, typename Inner>
void checkElementsBack(const std::vector<Element>& elements, const document::JsonValue* out, Inner inner) {
    if (elements.empty()) return;
    check(out != nullptr && out->type() == document::JsonType::Array &&
          out->items().size() == elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (elements[i].keptAsWritten) {
            document::JsonValue expected = elements[i].asRead;
            settle(expected);
            check(out->items()[i] == expected);
        } else {
            checkRemainderBack(elements[i].remainder, out->items()[i]);
            inner(elements[i], out->items()[i]);
        }
    }
}

void checkAuditionKept(const document::Clip& clip, const document::JsonValue& out) {
    const auto nothing = [](const auto&, const document::JsonValue&) {};
    checkRemainderBack(clip.remainder, out);
    checkElementsBack(clip.tempo, findMember(out, "tempo"), nothing);
    checkElementsBack(clip.meter, findMember(out, "meter"), nothing);
    checkElementsBack(clip.swing, findMember(out, "swing"), nothing);
    checkElementsBack(clip.notes, findMember(out, "notes"),
                      [](const document::ClipNote& note, const document::JsonValue& back) {
                          if (!note.rand) return;
                          const document::JsonValue* rand = findMember(back, "rand");
                          check(rand != nullptr);
                          checkRemainderBack(note.rand->remainder, *rand);
                      });
    checkElementsBack(clip.lanes, findMember(out, "lanes"),
                      [&](const document::Lane& lane, const document::JsonValue& back) {
                          checkElementsBack(lane.points, findMember(back, "points"), nothing);
                      });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const document::JsonParseResult input =
        document::parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!input.ok) return 0;
    document::DiagnosticList list;
    const std::optional<document::InstanceDocument> doc = readInstance(input.value, list);
    check(doc.has_value() != hasInstanceError(list));
    if (!doc) return 0;

    document::JsonValue out = writeInstance(*doc);
    const std::string written = writeJson(out);
    const document::JsonParseResult reparsed = document::parseJson(written);
    check(reparsed.ok);
    settle(out);
    check(reparsed.value == out);

    // Nothing is lost: unknown members come back as they were read.
    for (const document::JsonMember& m : input.value.members()) {
        const document::JsonValue* back = findMember(out, m.key);
        if (back == nullptr) {
            check(mayBeDropped(m));
            continue;
        }
        if (!isKnownKey(m.key)) {
            document::JsonValue expected = m.value;
            settle(expected);
            check(*back == expected);
        }
    }

    // A readable audition comes back as a clip, declared, with what it kept;
    // an unreadable one comes back as it was read.
    if (const document::JsonValue* audition = findMember(input.value, "audition")) {
        // The clip's own findings, re-based under "/audition", in order, and
        // "bad-audition" after them when it was refused.
        document::DiagnosticList clipList;
        const bool isClip = readClip(*audition, clipList).has_value();
        check(isClip == doc->audition.has_value());
        document::DiagnosticList expected;
        for (document::Diagnostic d : clipList) {
            d.path = "/audition" + d.path;
            expected.push_back(d);
        }
        if (!isClip) appendWarning(expected, "bad-audition", "/audition", "");
        std::size_t next = 0;
        for (const document::Diagnostic& d : list) {
            if (!startsWith(d.path, "/audition")) continue;
            check(next < expected.size());
            check(d.severity == expected[next].severity && d.code == expected[next].code &&
                  d.path == expected[next].path);
            check(d.code == "bad-audition" || d.message == expected[next].message);
            ++next;
        }
        check(next == expected.size());
        const document::JsonValue* back = findMember(out, "audition");
        check(back != nullptr);
        if (doc->audition) {
            check(stringMemberOr(*back, "kind", "") == "clip");
            const document::JsonValue* extensions = findMember(out, "extensions");
            const document::JsonValue* declared = findMember(input.value, "extensions");
            if (declared == nullptr || declared->type() == document::JsonType::Array) {
                check(extensions != nullptr && declares(*extensions, document::kAuditionExtension));
            }
            checkAuditionKept(*doc->audition, *back);
        } else {
            document::JsonValue expected = *audition;
            settle(expected);
            check(*back == expected);
        }
    }

    // Read and written once more, the text stays the same. A number that is
    // not finite is written as null, which reads back as a wrongly typed member
    // and may then move behind the known keys; from there on the text is stable.
    document::DiagnosticList again;
    const std::optional<document::InstanceDocument> doc2 = readInstance(reparsed.value, again);
    check(doc2.has_value());
    const std::string writtenAgain = writeJson(writeInstance(*doc2));
    if (!hasNonFiniteNumber(input.value)) {
        check(writtenAgain == written);
        return 0;
    }
    const document::JsonParseResult third = document::parseJson(writtenAgain);
    check(third.ok);
    document::DiagnosticList onceMore;
    const std::optional<document::InstanceDocument> doc3 = readInstance(third.value, onceMore);
    check(doc3.has_value());
    check(writeJson(writeInstance(*doc3)) == writtenAgain);
    return 0;
}
