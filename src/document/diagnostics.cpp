#include "document/diagnostics.h"

#include <algorithm>
#include <utility>

#include "platform/utf8.h"

namespace fennrow::document {

namespace {

void append(DiagnosticList& list, Severity severity, std::string code, std::string path,
            std::string message) {
    list.push_back(Diagnostic{severity, std::move(code), std::move(path), std::move(message)});
}

// Bytes of a well-formed UTF-8 character from its first byte.
std::size_t characterBytes(unsigned char first) {
    if (first < 0x80) return 1;
    if (first < 0xE0) return 2;
    if (first < 0xF0) return 3;
    return 4;
}

void appendEscape(std::string& out, std::uint32_t codePoint) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    switch (codePoint) {
        case '\n': out.append("\\n"); return;
        case '\r': out.append("\\r"); return;
        case '\t': out.append("\\t"); return;
        default: break;
    }
    out.append("\\u00");
    out.push_back(kHexDigits[(codePoint >> 4) & 0xF]);
    out.push_back(kHexDigits[codePoint & 0xF]);
}

} // namespace

std::string hostText(std::string_view text) {
    const std::string wellFormed = platform::wellFormedUtf8(text);
    std::string out;
    out.reserve(wellFormed.size());
    for (std::size_t i = 0; i < wellFormed.size(); ++i) {
        const auto byte = static_cast<unsigned char>(wellFormed[i]);
        if (byte < 0x20 || byte == 0x7F) {
            appendEscape(out, byte);
        } else if (byte == 0xC2 && i + 1 < wellFormed.size() &&
                   static_cast<unsigned char>(wellFormed[i + 1]) < 0xA0) {
            // U+0080 to U+009F, the C1 controls, written C2 80 to C2 9F.
            appendEscape(out, static_cast<unsigned char>(wellFormed[++i]));
        } else {
            out.push_back(wellFormed[i]);
        }
    }
    return out;
}

std::string quotedValue(std::string_view value) {
    std::size_t end = 0;
    for (std::size_t characters = 0; end < value.size(); ++characters) {
        if (characters == kMostQuotedCharacters) {
            return std::string(value.substr(0, end)) + "\xE2\x80\xA6"; // an ellipsis
        }
        end += std::min(characterBytes(static_cast<unsigned char>(value[end])), value.size() - end);
    }
    return std::string(value);
}

void printFindings(std::FILE* out, std::string_view prefix, const DiagnosticList& list) {
    const std::string shownPrefix(prefix);
    const std::size_t printed = std::min(list.size(), kMostPrintedFindings);
    for (std::size_t i = 0; i < printed; ++i) {
        const Diagnostic& finding = list[i];
        std::fprintf(out, "%s %s %s %s\n", shownPrefix.c_str(), hostText(finding.code).c_str(),
                     hostText(quotedValue(finding.path)).c_str(), hostText(finding.message).c_str());
    }
    if (list.size() > printed) {
        std::fprintf(out, "%s %zu more findings not shown\n", shownPrefix.c_str(), list.size() - printed);
    }
}

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

} // namespace fennrow::document
