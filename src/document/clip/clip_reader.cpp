#include "document/clip/clip_reader.h"

#include <utility>

#include "document/clip/clip_elements.h"
#include "document/clip/clip_fields.h"
#include "document/clip/clip_lane_reader.h"
#include "document/clip/clip_numbers.h"
#include "document/clip/clip_timing_reader.h"
#include "document/envelope.h"
#include "document/field_reader.h"
#include "document/seed.h"

namespace fennrow::document {
namespace {

constexpr const char* kBadGrid = "Unreadable grid; kept as written";
constexpr const char* kBadNote = "Expected a note object; kept as written, not played";
constexpr const char* kNoteWithoutAt = "A note needs `at`; kept as written, not played";
constexpr const char* kVoicedNoteWithPitch = "A voiced note carries `voice`, never `pitch`; pitch ignored";
constexpr const char* kNoteWithoutPitch = "An unvoiced note needs `pitch`; not played";
constexpr const char* kTuneWithoutVoice = "`tune` belongs to a voiced note; ignored";
constexpr const char* kBadCurvePoint =
    "Expected [beatsFromNoteStart, value]; the expression is kept as written, not played";
constexpr const char* kBadExpression = "Expected a number or a curve; kept as written, not played";

struct MemberCheckRule {
    MemberCheck check;
    const char* description;
    bool acceptsNumber;
    bool acceptsString;
};

constexpr MemberCheckRule kMemberCheckRules[] = {
    {MemberCheck::Names, "a name", false, true},
    {MemberCheck::ValuesOrChoices, "a value or choice id", true, true},
    {MemberCheck::Numbers, "a number", true, false},
};

const MemberCheckRule& ruleFor(MemberCheck check) {
    for (const MemberCheckRule& rule : kMemberCheckRules) {
        if (rule.check == check) return rule;
    }
    return kMemberCheckRules[0];
}

bool isCurvePoint(const JsonValue& value) {
    return value.type() == JsonType::Array && value.items().size() == 2 &&
           value.items()[0].type() == JsonType::Number && value.items()[1].type() == JsonType::Number;
}

void readNoteKeys(FieldReader& reader, const std::string& path, ClipNote& note, DiagnosticList& diagnostics) {
    if (auto nudge = getNumber(reader, "nudge")) note.nudge = *nudge;
    note.len = getNumber(reader, "len");
    if (auto vel = getNumber(reader, "vel")) note.vel = *vel;
    note.rel = getNumber(reader, "rel");
    note.pitch = getNumber(reader, "pitch");
    if (const JsonValue* expr = getObject(reader, "expr")) {
        const std::string exprPath = childPath(path, "expr");
        // A parsed object holds each name once, so each is taken as it stands.
        note.expr.reserve(expr->members().size());
        for (const JsonMember& member : expr->members()) {
            note.expr.push_back(
                NamedExpression{std::string(member.key),
                                readExpression(member.value, childPath(exprPath, member.key), diagnostics)});
        }
    }
    if (const JsonValue* rand = getObject(reader, "rand")) {
        note.rand = readNoteRandom(*rand, childPath(path, "rand"), diagnostics);
    }
    if (auto voice = getString(reader, "voice")) note.voice = std::move(*voice);
    note.tune = getNumber(reader, "tune");
    if (auto sound = getString(reader, "sound")) note.sound = std::move(*sound);
    if (const JsonValue* set = getObject(reader, "set")) {
        note.set = readMemberList(*set, childPath(path, "set"), diagnostics, MemberCheck::ValuesOrChoices);
    }
    if (const JsonValue* add = getObject(reader, "add")) {
        note.add = readMemberList(*add, childPath(path, "add"), diagnostics, MemberCheck::Numbers);
    }
    if (auto slide = getBool(reader, "slide")) note.slide = *slide;
    if (const JsonValue* ext = reader.getAny("ext")) note.ext = *ext;
}

// The voice rules decide only what a player may use; the note keeps its values.
void checkVoiceRules(const ClipNote& note, const std::string& path, DiagnosticList& diagnostics) {
    if (isVoiced(note) && note.pitch) {
        appendWarning(diagnostics, "voiced-note-with-pitch", path, kVoicedNoteWithPitch);
    }
    if (!isVoiced(note) && !note.pitch)
        appendWarning(diagnostics, "note-without-pitch", path, kNoteWithoutPitch);
    if (!isVoiced(note) && note.tune)
        appendWarning(diagnostics, "tune-without-voice", path, kTuneWithoutVoice);
}

void readGrid(const JsonValue& document, FieldReader& reader, Clip& clip, DiagnosticList& diagnostics) {
    const JsonValue* grid = findMember(document, "grid");
    if (grid == nullptr) return;
    if (grid->type() == JsonType::String && parseGrid(grid->string())) {
        clip.grid = grid->string();
        reader.markRead("grid");
    } else {
        appendWarning(diagnostics, "bad-grid", "/grid", kBadGrid);
    }
}

void checkDeclaredExtensions(const Clip& clip, DiagnosticList& diagnostics) {
    for (const ExtensionId& used : usedExtensions(clip)) {
        bool declared = false;
        for (const ExtensionId& id : clip.extensionIds) declared = declared || id.id == used.id;
        if (!declared) {
            appendNote(diagnostics, "extension-undeclared", "/extensions",
                       "The clip uses " + extensionIdText(used) + " without declaring it; read as declared");
        }
    }
}

} // namespace

std::vector<JsonMember> readMemberList(const JsonValue& object, const std::string& path,
                                       DiagnosticList& diagnostics, MemberCheck check) {
    const MemberCheckRule& rule = ruleFor(check);
    std::vector<JsonMember> list;
    list.reserve(object.members().size());
    for (const JsonMember& member : object.members()) {
        const bool accepted = (rule.acceptsNumber && member.value.type() == JsonType::Number) ||
                              (rule.acceptsString && member.value.type() == JsonType::String);
        if (!accepted) {
            appendWarning(diagnostics, "wrong-type", childPath(path, member.key),
                          std::string("Expected ") + rule.description + "; kept as written, not applied");
        }
        list.push_back(member);
    }
    // A parsed object never holds a key twice; one built in memory might.
    return uniqueMembers(std::move(list));
}

NoteExpression readExpression(const JsonValue& value, const std::string& path, DiagnosticList& diagnostics) {
    NoteExpression expression;
    if (value.type() == JsonType::Number) {
        expression.value = value.number();
    } else if (value.type() == JsonType::Array) {
        expression.isCurve = true;
        for (size_t k = 0; k < value.items().size(); ++k) {
            const JsonValue& point = value.items()[k];
            if (!isCurvePoint(point)) {
                appendWarning(diagnostics, "bad-expression", indexPath(path, k), kBadCurvePoint);
                return keptAsWrittenElement<NoteExpression>(value);
            }
            expression.points.push_back(
                ExpressionPoint{point.items()[0].number(), point.items()[1].number()});
        }
    } else {
        appendWarning(diagnostics, "bad-expression", path, kBadExpression);
        return keptAsWrittenElement<NoteExpression>(value);
    }
    expression.asRead = value;
    return expression;
}

NoteRandom readNoteRandom(const JsonValue& object, const std::string& path, DiagnosticList& diagnostics) {
    FieldReader reader(object, path, diagnostics);
    NoteRandom rand;
    rand.asRead = object;
    if (auto vel = getNumber(reader, "vel")) rand.vel = *vel;
    if (auto nudge = getNumber(reader, "nudge")) rand.nudge = *nudge;
    rand.pan = getNumber(reader, "pan");
    if (const JsonValue* params = getObject(reader, "params")) {
        rand.params = readMemberList(*params, childPath(path, "params"), diagnostics, MemberCheck::Numbers);
    }
    rand.remainder = reader.rest();
    return rand;
}

ClipNote readNote(const JsonValue& value, const std::string& path, DiagnosticList& diagnostics) {
    if (value.type() != JsonType::Object) {
        appendWarning(diagnostics, "bad-note", path, kBadNote);
        return keptAsWrittenElement<ClipNote>(value);
    }
    FieldReader reader(value, path, diagnostics);
    const std::optional<double> at = getNumber(reader, "at");
    if (!at) {
        appendWarning(diagnostics, "note-without-at", path, kNoteWithoutAt);
        return keptAsWrittenElement<ClipNote>(value);
    }
    ClipNote note;
    note.asRead = value;
    note.at = *at;
    readNoteKeys(reader, path, note, diagnostics);
    note.remainder = reader.rest();
    checkVoiceRules(note, path, diagnostics);
    return note;
}

std::optional<Clip> readClip(const JsonValue& document, DiagnosticList& diagnostics) {
    std::optional<DocumentOpening> opening = readDocumentOpening(document, kClipKind, diagnostics);
    if (!opening) return std::nullopt;
    Envelope& envelope = opening->envelope;
    FieldReader& reader = opening->reader;

    Clip clip;
    clip.asRead = document;
    clip.spec = envelope.spec;
    clip.extensionIds = std::move(envelope.extensionIds);
    clip.unreadableExtensions = std::move(envelope.unreadableExtensions);

    if (auto id = getString(reader, "id")) clip.id = std::move(*id);
    if (auto plugin = getString(reader, "plugin")) clip.plugin = std::move(*plugin);
    // Saturated into the 32-bit range, where an instance keeps an
    // out-of-range formatVersion as written (see readFormatVersion there).
    if (auto formatVersion = getNumber(reader, "formatVersion")) {
        clip.formatVersion = saturatingTruncateToInt32(*formatVersion);
    }
    clip.seed = readSeed(reader);
    if (auto length = getNumber(reader, "length")) clip.length = *length;
    readGrid(document, reader, clip, diagnostics);
    if (const JsonValue* tempo = getArray(reader, "tempo"))
        clip.tempo = readTempo(*tempo, "/tempo", diagnostics);
    if (const JsonValue* meter = getArray(reader, "meter"))
        clip.meter = readMeter(*meter, "/meter", diagnostics);
    if (const JsonValue* swing = getArray(reader, "swing"))
        clip.swing = readSwing(*swing, "/swing", diagnostics);
    if (const JsonValue* voices = getObject(reader, "voices")) {
        clip.voices = readMemberList(*voices, "/voices", diagnostics, MemberCheck::Names);
    }
    if (const JsonValue* sounds = getObject(reader, "sounds")) {
        clip.sounds = readMemberList(*sounds, "/sounds", diagnostics, MemberCheck::Names);
    }
    if (const JsonValue* notes = getArray(reader, "notes")) {
        clip.notes = readElements<ClipNote>(*notes, "/notes", diagnostics, readNote);
    }
    if (const JsonValue* lanes = getArray(reader, "lanes"))
        clip.lanes = readLanes(*lanes, "/lanes", diagnostics);
    if (const JsonValue* source = reader.getAny("source")) clip.source = *source;
    if (const JsonValue* ext = reader.getAny("ext")) clip.ext = *ext;
    clip.remainder = reader.rest();
    checkDeclaredExtensions(clip, diagnostics);
    return clip;
}

} // namespace fennrow::document
