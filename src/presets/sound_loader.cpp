#include "presets/sound_loader.h"

#include "archive/package_reader.h"
#include "document/field_reader.h"
#include "document/json_parser.h"
#include "maths/float_narrowing.h"
#include "plugin/param_table.h"
#include "plugin/param_value.h"
#include "presets/sound_layout.h"
#include "presets/sound_writer.h"

#include <cmath>
#include <string>
#include <utility>

namespace fennrow::presets {

namespace {

constexpr const char* kDocumentName = "instance.json";

// The value a document member gives a parameter, or the default when the
// member is absent, not a Number, or not a number at all.
float paramFromDocument(const plugin::ParamSpec& row, const document::JsonValue* member) {
    if (member == nullptr || member->type() != document::JsonType::Number) {
        return row.defaultValue;
    }
    return paramValueFor(row, maths::narrowToFloat(member->number()));
}

const document::JsonValue* firstParam(const document::InstanceDocument& document, std::string_view key) {
    for (const document::JsonMember& member : document.params) {
        if (member.key == key) {
            return &member.value;
        }
    }
    return nullptr;
}

// A "state" or "arcs" that is no object holds no curve the sound could use,
// and the next save writes the curves in its place.
constexpr std::string_view kCurvesLeft = "its curves are left at their defaults";

// `document` is the instance as read, which holds its "state".
void readCurves(const document::JsonValue& document, engine::CurveSet& curves,
                document::DiagnosticList& list) {
    document::FieldReader instance(document, "", list);
    const document::JsonValue* state =
        instance.get(kStateKey, document::JsonType::Object, document::kDescribeObject, kCurvesLeft);
    if (state == nullptr) {
        return;
    }
    document::FieldReader stateReader(*state, "/state", list);
    int curve = 0;
    for (const char* name : kMotionCurveNames) {
        readCurve(stateReader.getAny(name), curves.points[curve++], document::childPath("/state", name),
                  list);
    }
    const document::JsonValue* arcs =
        stateReader.get(kArcsKey, document::JsonType::Object, document::kDescribeObject, kCurvesLeft);
    if (arcs == nullptr) {
        return;
    }
    document::FieldReader arcsReader(*arcs, "/state/arcs", list);
    curve = kFirstArcCurve;
    for (const char* name : kArcCurveNames) {
        readCurve(arcsReader.getAny(name), curves.points[curve++], document::childPath("/state/arcs", name),
                  list);
    }
}

// A saved state must load again. Saving writes this plugin's members in
// full, a seed, and escapes what the document held raw (a control byte takes
// six), so a document near the limit could save to a text beyond it; such a
// document is not taken. Checking means counting the bytes of the save (in
// time linear in the document), so a document small enough to fit anyway is
// not checked: a save escapes a byte into at most six, gives each object read
// at most a few members of a few dozen bytes, and adds the sound's 7 KB.
constexpr std::size_t kSurelyFitsBytes = archive::kMaxDocumentBytes / 64;

bool loadsBackWhenSaved(const document::InstanceDocument& document, const engine::SoundSnapshot& sound) {
    constexpr std::uint64_t kLargestSeed = ~std::uint64_t{0};
    return soundDocumentSize(document, sound, kLargestSeed) <= archive::kMaxDocumentBytes;
}

} // namespace

void readCurve(const document::JsonValue* value, float (&destination)[engine::kCurvePoints],
               std::string_view path, document::DiagnosticList& list) {
    if (value == nullptr) {
        return;
    }
    if (value->type() != document::JsonType::Array || value->items().size() != engine::kCurvePoints) {
        appendWarning(list, "curve-length", std::string(path), "A curve is 64 numbers; left at its default");
        return;
    }
    for (int k = 0; k < engine::kCurvePoints; ++k) {
        const document::JsonValue& item = value->items()[k];
        const float point =
            item.type() == document::JsonType::Number ? maths::narrowToFloat(item.number()) : 0.0f;
        // A point that is not a finite number would reach the audio as NaN or
        // infinity; it loads as 0, like an item that is no number at all.
        destination[k] = std::isfinite(point) ? point : 0.0f;
    }
}

std::optional<engine::SoundSnapshot> loadSound(document::InstanceDocument& retained,
                                               const std::uint8_t* bytes, std::size_t size,
                                               document::DiagnosticList& list) {
    // The sound is all in the document; assets would be unpacked and hashed
    // only to be dropped, which for a package of many could take the host's
    // main thread for a minute.
    archive::Package package = readPackage(bytes, size, kDocumentName, list, archive::kDocumentZipLimits,
                                           archive::PackageContents::DocumentOnly);
    if (!package.ok) {
        return std::nullopt;
    }
    std::optional<document::InstanceDocument> document = readInstance(std::move(package.document), list);
    if (!document) {
        return std::nullopt;
    }
    if (!document->plugin.empty() && document->plugin != plugin::kPluginName) {
        appendError(list, "wrong-plugin", "/plugin",
                    "An instance of " + document::quotedValue(document->plugin) + ", not fennrow");
        return std::nullopt;
    }
    engine::SoundSnapshot sound = engine::defaultSoundSnapshot();
    for (const plugin::ParamSpec& row : plugin::kParamTable) {
        slotValue(sound.params, row.slot) = paramFromDocument(row, firstParam(*document, row.key));
    }
    readCurves(*document->asRead, sound.curves, list);
    const bool surelyFits = package.documentBytes <= kSurelyFitsBytes;
    if (!surelyFits && !loadsBackWhenSaved(*document, sound)) {
        appendError(list, "document-too-large", "",
                    "A document holds at most " + std::to_string(archive::kMaxDocumentBytes) +
                        " bytes as fennrow saves it; not read");
        return std::nullopt;
    }
    retained = std::move(*document);
    return sound;
}

} // namespace fennrow::presets
