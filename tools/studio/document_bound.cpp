#include "document_bound.h"

#include <cstdint>
#include <cstdio>

#include "archive/zip_reader.h"
#include "document/diagnostics.h"

namespace fennrow {
namespace {

constexpr const char* kDocumentEntry = "instance.json";
constexpr std::uint64_t kMaxPackageEntries = 1000;

bool looksLikeZip(const std::string& bytes) {
    return bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == 'K';
}

} // namespace

std::string sizeText(std::size_t bytes) {
    char text[32];
    if (bytes >= (std::size_t{1} << 20)) {
        std::snprintf(text, sizeof text, "%.3g MB", static_cast<double>(bytes) / (1 << 20));
    } else {
        std::snprintf(text, sizeof text, "%.3g kB", static_cast<double>(bytes) / (1 << 10));
    }
    return text;
}

std::optional<std::string> documentBoundProblem(const std::string& bytes) {
    const std::string limit = "the studio opens documents of up to " + sizeText(kMaxDocumentTextBytes);
    if (!looksLikeZip(bytes)) {
        if (bytes.size() <= kMaxDocumentTextBytes) return std::nullopt;
        return "the document is " + sizeText(bytes.size()) + "; " + limit;
    }
    // The zip reader checks every entry's declared size before it unpacks
    // it, and the bound is small, so this costs little even for a hostile
    // package; any other fault of the archive is left for the plugin's reader to report.
    document::DiagnosticList findings;
    const archive::ZipResult zip =
        readZip(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), findings,
                archive::ZipLimits{kMaxPackageEntries, kMaxPackageUnpackedBytes, kMaxPackageUnpackedBytes});
    for (const document::Diagnostic& finding : findings) {
        if (finding.code == "zip-too-large") {
            return "the package unpacks to more than " + sizeText(kMaxPackageUnpackedBytes) +
                   " (or more than " + std::to_string(kMaxPackageEntries) + " entries); " + limit;
        }
    }
    for (const archive::ZipEntry& entry : zip.entries) {
        if (entry.name == kDocumentEntry && entry.data.size() > kMaxDocumentTextBytes) {
            return "its " + std::string(kDocumentEntry) + " is " + sizeText(entry.data.size()) + "; " + limit;
        }
    }
    return std::nullopt;
}

} // namespace fennrow
