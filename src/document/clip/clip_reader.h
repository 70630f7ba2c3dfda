// The lenient clip reader. It refuses only a value that is not a clip document
// at all; every other flaw keeps the flawed piece as written and adds a finding.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/clip/clip.h"
#include "document/diagnostics.h"
#include "document/json_value.h"

namespace fennrow::document {

// What the values of a member list must be; a value of another type is
// reported and kept.
enum class MemberCheck {
    Names,           // strings
    ValuesOrChoices, // numbers or strings (choice ids)
    Numbers,
};

std::optional<Clip> readClip(const JsonValue& document, DiagnosticList& diagnostics);

ClipNote readNote(const JsonValue& value, const std::string& path, DiagnosticList& diagnostics);
NoteExpression readExpression(const JsonValue& value, const std::string& path, DiagnosticList& diagnostics);
NoteRandom readNoteRandom(const JsonValue& object, const std::string& path, DiagnosticList& diagnostics);
std::vector<JsonMember> readMemberList(const JsonValue& object, const std::string& path,
                                       DiagnosticList& diagnostics, MemberCheck check);

} // namespace fennrow::document
