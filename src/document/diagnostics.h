// Findings that document readers report while they go on reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace fennrow::document {

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

// Text that leaves the plugin, for a host or a terminal, whatever bytes a
// document or a location held. One form for all of it: well-formed UTF-8
// (each ill-formed sequence one U+FFFD) in which every control character (C0,
// DEL, C1) is written as an escape, "\n", "\r", "\t" or "\u" and four hex
// digits. So a NUL neither ends the text early nor leaves a name empty (a
// name "\u0000hidden" reaches the host as those 12 characters), and a line
// break in a key cannot start a line of its own on standard error.
std::string hostText(std::string_view text);

// A value from a document quoted in a message or a path: at most
// kMostQuotedCharacters characters, cut between characters, with an ellipsis
// when cut.
inline constexpr std::size_t kMostQuotedCharacters = 200;
std::string quotedValue(std::string_view value);

// Writes the findings of one load to `out`, one line each: prefix, code, path
// and message separated by spaces, each in host form, the path quoted. Only
// the first kMostPrintedFindings are written; a last line counts the rest.
inline constexpr std::size_t kMostPrintedFindings = 100;
void printFindings(std::FILE* out, std::string_view prefix, const DiagnosticList& list);

} // namespace fennrow::document
