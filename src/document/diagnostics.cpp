#include "document/diagnostics.h"

#include <utility>

namespace fennrow {

namespace {

void append(DiagnosticList& list, Severity severity, std::string code, std::string path,
            std::string message) {
    list.push_back(Diagnostic{severity, std::move(code), std::move(path), std::move(message)});
}

} // namespace

void appendNote(DiagnosticList& list, std::string code, std::string path, std::string message) {
    append(list, Severity::Note, std::move(code), std::move(path), std::move(message));
}

void appendWarning(DiagnosticList& list, std::string code, std::string path, std::string message) {
    append(list, Severity::Warning, std::move(code), std::move(path), std::move(message));
}

void appendError(DiagnosticList& list, std::string code, std::string path, std::string message) {
    append(list, Severity::Error, std::move(code), std::move(path), std::move(message));
}

bool hasError(const DiagnosticList& list) {
    for (const Diagnostic& d : list) {
        if (d.severity == Severity::Error) return true;
    }
    return false;
}

std::string_view severityName(Severity severity) {
    switch (severity) {
        case Severity::Note: return "note";
        case Severity::Warning: return "warning";
        case Severity::Error: return "error";
    }
    return "unknown";
}

std::string childPath(std::string_view parent, std::string_view key) {
    std::string path;
    path.reserve(parent.size() + 1 + key.size());
    path.append(parent);
    path.push_back('/');
    for (char c : key) {
        if (c == '~') {
            path.append("~0");
        } else if (c == '/') {
            path.append("~1");
        } else {
            path.push_back(c);
        }
    }
    return path;
}

std::string indexPath(std::string_view parent, std::size_t index) {
    std::string path(parent);
    path.push_back('/');
    path.append(std::to_string(index));
    return path;
}

} // namespace fennrow
