#include "document/clip/clip_writer.h"

#include <optional>
#include <string>
#include <utility>

#include "document/seed.h"

namespace fennrow::document {
namespace {

// An empty "ext" object says nothing and is left out. Any other value was read
// as it stood and goes back the same way: dropping an "ext" that is not an
// object would lose what another program put there.
bool extHasContent(const JsonValue& ext) {
    return ext.type() == JsonType::Object ? !ext.members().empty() : ext.type() != JsonType::Null;
}

JsonValue numberOf(int32_t value) { return jsonNumber(static_cast<double>(value)); }

template <typename Element>
JsonValue arrayOf(const std::vector<Element>& elements, JsonValue (*write)(const Element&)) {
    JsonValue array = jsonArray();
    array.reserveItems(elements.size());
    for (const Element& element : elements) array.appendItem(write(element));
    return array;
}

// Puts back what the reader did not consume (a key the writer already wrote is
// replaced in place, the others follow), then restores the spelling of every
// number that did not change since it was read.
JsonValue finish(JsonValue result, const JsonValue& remainder, const JsonValue& asRead) {
    for (const JsonMember& member : remainder.members()) setMember(result, member.key, member.value);
    refreshNumbers(result, asRead);
    return result;
}

} // namespace

std::vector<ExtensionId> extensionsToDeclare(const Clip& clip) {
    std::vector<ExtensionId> declared = clip.extensionIds;
    for (ExtensionId& used : usedExtensions(clip)) {
        bool present = false;
        for (const ExtensionId& id : declared) present = present || id.id == used.id;
        if (!present) declared.push_back(std::move(used));
    }
    return declared;
}

JsonValue writeMemberList(const std::vector<JsonMember>& list) {
    // A repeated key keeps its first place and takes the last value.
    JsonValue object = jsonObject();
    for (const JsonMember& member : list) setMember(object, member.key, member.value);
    return object;
}

JsonValue writeExpression(const NoteExpression& expression) {
    if (expression.keptAsWritten) return expression.asRead;
    JsonValue result;
    if (expression.isCurve) {
        result = jsonArray();
        for (const ExpressionPoint& point : expression.points) {
            JsonValue pair = jsonArray();
            pair.appendItem(jsonNumber(point.beatsFromNoteStart));
            pair.appendItem(jsonNumber(point.value));
            result.appendItem(std::move(pair));
        }
    } else {
        result = jsonNumber(expression.value);
    }
    refreshNumbers(result, expression.asRead);
    return result;
}

JsonValue writeNoteRandom(const NoteRandom& rand) {
    JsonValue result = jsonObject();
    // Written as "not 0" so that a not-a-number amount is kept.
    if (!(rand.vel == 0.0)) setMember(result, "vel", jsonNumber(rand.vel));
    if (!(rand.nudge == 0.0)) setMember(result, "nudge", jsonNumber(rand.nudge));
    if (rand.pan) setMember(result, "pan", jsonNumber(*rand.pan));
    if (!rand.params.empty()) setMember(result, "params", writeMemberList(rand.params));
    return finish(std::move(result), rand.remainder, rand.asRead);
}

JsonValue writeNote(const ClipNote& note) {
    if (note.keptAsWritten) return note.asRead;
    JsonValue result = jsonObject();
    setMember(result, "at", jsonNumber(note.at));
    if (!(note.nudge == 0.0)) setMember(result, "nudge", jsonNumber(note.nudge));
    if (!note.voice.empty()) setMember(result, "voice", jsonString(note.voice));
    if (note.len) setMember(result, "len", jsonNumber(*note.len));
    if (note.pitch) setMember(result, "pitch", jsonNumber(*note.pitch));
    if (note.tune) setMember(result, "tune", jsonNumber(*note.tune));
    setMember(result, "vel", jsonNumber(note.vel));
    if (note.rel) setMember(result, "rel", jsonNumber(*note.rel));
    if (!note.sound.empty()) setMember(result, "sound", jsonString(note.sound));
    if (!note.set.empty()) setMember(result, "set", writeMemberList(note.set));
    if (!note.add.empty()) setMember(result, "add", writeMemberList(note.add));
    if (!note.expr.empty()) {
        JsonValue expr = jsonObject();
        for (const NamedExpression& entry : note.expr)
            setMember(expr, entry.name, writeExpression(entry.expression));
        setMember(result, "expr", std::move(expr));
    }
    if (note.rand) setMember(result, "rand", writeNoteRandom(*note.rand));
    if (note.slide) setMember(result, "slide", jsonBool(true));
    if (extHasContent(note.ext)) setMember(result, "ext", note.ext);
    return finish(std::move(result), note.remainder, note.asRead);
}

JsonValue writeTempoPoint(const TempoPoint& point) {
    if (point.keptAsWritten) return point.asRead;
    JsonValue result = jsonObject();
    setMember(result, "at", jsonNumber(point.at));
    setMember(result, "bpm", jsonNumber(point.bpm));
    return finish(std::move(result), point.remainder, point.asRead);
}

JsonValue writeMeterPoint(const MeterPoint& point) {
    if (point.keptAsWritten) return point.asRead;
    JsonValue result = jsonObject();
    setMember(result, "at", jsonNumber(point.at));
    setMember(result, "num", numberOf(point.num));
    setMember(result, "den", numberOf(point.den));
    return finish(std::move(result), point.remainder, point.asRead);
}

JsonValue writeSwingSetting(const SwingSetting& setting) {
    if (setting.keptAsWritten) return setting.asRead;
    JsonValue result = jsonObject();
    setMember(result, "bar", numberOf(setting.bar));
    setMember(result, "grid", jsonString(setting.grid));
    if (!setting.voice.empty()) setMember(result, "voice", jsonString(setting.voice));
    setMember(result, "amount", jsonNumber(setting.amount));
    return finish(std::move(result), setting.remainder, setting.asRead);
}

JsonValue writeLanePoint(const LanePoint& point) {
    if (point.keptAsWritten) return point.asRead;
    JsonValue result = jsonObject();
    setMember(result, "at", jsonNumber(point.at));
    setMember(result, "v", point.v);
    if (!point.curve.empty()) setMember(result, "curve", jsonString(point.curve));
    return finish(std::move(result), point.remainder, point.asRead);
}

JsonValue writeLane(const Lane& lane) {
    if (lane.keptAsWritten) return lane.asRead;
    JsonValue result = jsonObject();
    if (!lane.id.empty()) setMember(result, "id", jsonString(lane.id));
    setMember(result, "target", jsonString(lane.target));
    if (!lane.voice.empty()) setMember(result, "voice", jsonString(lane.voice));
    if (!lane.instance.empty()) setMember(result, "instance", jsonString(lane.instance));
    setMember(result, "points", arrayOf(lane.points, writeLanePoint));
    return finish(std::move(result), lane.remainder, lane.asRead);
}

JsonValue writeClip(const Clip& clip) {
    JsonValue result = jsonObject();
    setMember(result, "kind", jsonString(std::string(kClipKind)));
    setMember(result, "spec", jsonString(knownSpecVersionText()));
    if (!clip.id.empty()) setMember(result, "id", jsonString(clip.id));
    if (!clip.plugin.empty()) setMember(result, "plugin", jsonString(clip.plugin));
    if (clip.formatVersion) setMember(result, "formatVersion", numberOf(*clip.formatVersion));
    if (clip.seed) setMember(result, "seed", jsonString(seedText(*clip.seed)));
    if (std::optional<JsonValue> list =
            extensionsJson(extensionsToDeclare(clip), clip.unreadableExtensions)) {
        setMember(result, "extensions", std::move(*list));
    }
    setMember(result, "length", jsonNumber(clip.length));
    setMember(result, "grid", jsonString(clip.grid));
    if (!clip.tempo.empty()) setMember(result, "tempo", arrayOf(clip.tempo, writeTempoPoint));
    if (!clip.meter.empty()) setMember(result, "meter", arrayOf(clip.meter, writeMeterPoint));
    if (!clip.swing.empty()) setMember(result, "swing", arrayOf(clip.swing, writeSwingSetting));
    if (!clip.voices.empty()) setMember(result, "voices", writeMemberList(clip.voices));
    if (!clip.sounds.empty()) setMember(result, "sounds", writeMemberList(clip.sounds));
    setMember(result, "notes", arrayOf(clip.notes, writeNote));
    if (!clip.lanes.empty()) setMember(result, "lanes", arrayOf(clip.lanes, writeLane));
    if (clip.source.type() != JsonType::Null) setMember(result, "source", clip.source);
    if (extHasContent(clip.ext)) setMember(result, "ext", clip.ext);
    return finish(std::move(result), clip.remainder, clip.asRead);
}

} // namespace fennrow::document
