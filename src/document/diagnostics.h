// Findings that document readers report while they go on reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow {

enum class Severity : int32_t {
    Note = 0,    // read under an assumption
    Warning = 1, // ignored, kept as written or left at its default
    Error = 2,   // the reader that made it gives no result
};

struct Diagnostic {
    Severity severity = Severity::Note;
    std::string code;    // lower-case and hyphenated, e.g. "wrong-type"
    std::string path;    // JSON pointer; empty for the whole document
    std::string message; // one sentence for a person
};

// Readers only ever append; the order is the order of the findings.
using DiagnosticList = std::vector<Diagnostic>;

void appendNote(DiagnosticList& list, std::string code, std::string path, std::string message);
void appendWarning(DiagnosticList& list, std::string code, std::string path, std::string message);
void appendError(DiagnosticList& list, std::string code, std::string path, std::string message);

bool hasError(const DiagnosticList& list);
std::string_view severityName(Severity severity); // "note", "warning", "error"

// JSON pointer of a member: the parent's path, "/", and the key with "~"
// written as "~0" and "/" as "~1".
std::string childPath(std::string_view parent, std::string_view key);
// JSON pointer of an array element: the parent's path, "/", the index.
std::string indexPath(std::string_view parent, std::size_t index);

} // namespace fennrow
