// The in-memory clip document: notes, lanes, tempo, meter and swing, plus
// everything the reader could not interpret, kept so that a clip survives a
// read and a write without loss.
//
// Three members recur in the records:
//  - asRead: the element exactly as it stood in the document (Null when the
//    record was built in memory). The writer falls back on it for elements kept
//    as written and restores the spelling of unchanged numbers from it.
//  - remainder: the members of the element's object that the reader did not
//    consume, in document order (Null for a record built in memory).
//  - keptAsWritten: the element was unreadable; its fields hold the record's
//    defaults and the writer writes asRead unchanged.
//
// Positions and lengths are in beats (quarter notes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/envelope.h"
#include "document/json_value.h"

namespace fennrow::document {

inline constexpr std::string_view kClipKind = "clip";

// One point of an expression curve, in beats from the start of its note.
struct ExpressionPoint {
    double beatsFromNoteStart = 0.0;
    double value = 0.0;
};

// A per-note expression: a constant, or a curve of points kept in document order.
struct NoteExpression {
    bool isCurve = false;
    double value = 0.0;
    std::vector<ExpressionPoint> points;
    JsonValue asRead;
    bool keptAsWritten = false;
};

struct NamedExpression {
    std::string name;
    NoteExpression expression;
};

// A note's "rand". It is taken only when it is an object, so it is never kept
// as written as a whole.
struct NoteRandom {
    double vel = 0.0;
    double nudge = 0.0;
    std::optional<double> pan;
    std::vector<JsonMember> params;
    JsonValue remainder;
    JsonValue asRead;
};

struct ClipNote {
    double at = 0.0;
    double nudge = 0.0;
    std::optional<double> len;
    double vel = 1.0;
    std::optional<double> rel;
    std::optional<double> pitch; // the pitch of an unvoiced note
    std::vector<NamedExpression> expr;
    std::optional<NoteRandom> rand;
    std::string voice;          // a voiced note plays from this voice
    std::optional<double> tune; // tuning of a voiced note
    std::string sound;
    std::vector<JsonMember> set; // per-note parameter values: number or choice id
    std::vector<JsonMember> add; // per-note parameter offsets: numbers
    bool slide = false;
    JsonValue ext;
    JsonValue remainder;
    JsonValue asRead;
    bool keptAsWritten = false;
};

struct TempoPoint {
    double at = 0.0;
    double bpm = 120.0;
    JsonValue remainder;
    JsonValue asRead;
    bool keptAsWritten = false;
};

struct MeterPoint {
    double at = 0.0;
    int32_t num = 4;
    int32_t den = 4;
    JsonValue remainder;
    JsonValue asRead;
    bool keptAsWritten = false;
};

inline constexpr std::string_view kDefaultGrid = "1/16";

struct SwingSetting {
    int32_t bar = 0;
    std::string grid{kDefaultGrid};
    double amount = 0.5;
    std::string voice; // empty: all voices
    JsonValue remainder;
    JsonValue asRead;
    bool keptAsWritten = false;
};

struct LanePoint {
    double at = 0.0;
    JsonValue v;       // any JSON value, kept as is
    std::string curve; // "step", "linear", "smooth"; anything else plays as step
    JsonValue remainder;
    JsonValue asRead;
    bool keptAsWritten = false;
};

struct Lane {
    std::string id;
    std::string target; // never empty in a readable lane
    std::string voice;
    std::string instance;
    std::vector<LanePoint> points;
    JsonValue remainder;
    JsonValue asRead;
    bool keptAsWritten = false;
};

struct Clip {
    SpecVersion spec;
    std::string id;
    std::string plugin;
    std::optional<int32_t> formatVersion;
    std::optional<uint64_t> seed;
    std::vector<ExtensionId> extensionIds;
    std::vector<JsonValue> unreadableExtensions;
    double length = 4.0;
    std::string grid{kDefaultGrid}; // always readable by parseGrid
    std::vector<TempoPoint> tempo;
    std::vector<MeterPoint> meter;
    std::vector<SwingSetting> swing;
    std::vector<JsonMember> voices; // voice id -> name
    std::vector<JsonMember> sounds; // sound id -> name
    std::vector<ClipNote> notes;
    std::vector<Lane> lanes;
    JsonValue source;
    JsonValue ext;
    JsonValue remainder;
    JsonValue asRead;
};

// Extension ids a clip's content may need, all at version 1.
inline constexpr std::string_view kVoicesExtension = "com.brightmoss.voices";
inline constexpr std::string_view kPerNoteParamsExtension = "com.brightmoss.per-note-params";
inline constexpr std::string_view kNoteRandomExtension = "com.brightmoss.note-random";
inline constexpr std::string_view kSlideExtension = "com.brightmoss.slide";
inline constexpr int32_t kClipExtensionVersion = 1;

// Names occur once per list: an existing name has its value replaced in place,
// a new name is appended.
void setExpression(ClipNote& note, std::string_view name, NoteExpression expression);
// The same rule applied to a whole list at once, in linear time: a repeated
// key keeps its first position and takes the last value.
std::vector<JsonMember> uniqueMembers(std::vector<JsonMember> list);

// The length in beats of a note value "n/d" (4·n/d), or nothing when the text
// is not two positive decimal 32-bit integers around one slash.
std::optional<double> parseGrid(std::string_view text);

// The clip extensions the content needs, in a fixed order. Elements kept as
// written are not looked at.
std::vector<ExtensionId> usedExtensions(const Clip& clip);

// Whether a note plays from a voice (its pitch is then ignored).
inline bool isVoiced(const ClipNote& note) { return !note.voice.empty(); }

} // namespace fennrow::document
