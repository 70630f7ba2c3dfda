#include "archive/package_reader.h"

#include <algorithm>
#include <optional>
#include <string>

#include "archive/sha256.h"
#include "document/json_parser.h"

namespace fennrow::archive {
namespace {

constexpr std::string_view kAssetFolder = "assets/";
constexpr std::size_t kDigestLength = 64;
constexpr std::uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

bool startsWithByteOrderMark(const std::uint8_t* data, std::size_t size) {
    return size > 2 && std::equal(std::begin(kByteOrderMark), std::end(kByteOrderMark), data);
}

bool isJsonWhitespace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void refuseTooLarge(document::DiagnosticList& list, const std::string& path, std::size_t most,
                    const char* what) {
    appendError(list, "document-too-large", path,
                "A document holds at most " + std::to_string(most) + " " + what + "; not read");
}

bool parseDocument(const std::uint8_t* data, std::size_t size, const std::string& path,
                   document::DiagnosticList& list, Package& package) {
    if (size > kMaxDocumentBytes) {
        refuseTooLarge(list, path, kMaxDocumentBytes, "bytes");
        return false;
    }
    if (startsWithByteOrderMark(data, size)) {
        data += std::size(kByteOrderMark);
        size -= std::size(kByteOrderMark);
    }
    document::JsonParseResult parsed =
        document::parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed.ok) {
        appendError(list, "document-unreadable", path, "The document is not valid JSON: " + parsed.error);
        return false;
    }
    package.document = std::move(parsed.value);
    package.documentBytes = size;
    return true;
}

// "assets/" followed by exactly 64 lower-case hexadecimal digits.
bool isAssetName(std::string_view name) {
    if (name.size() != kAssetFolder.size() + kDigestLength || !name.starts_with(kAssetFolder)) return false;
    return std::all_of(name.begin() + kAssetFolder.size(), name.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Why the zip reader skipped the document's entry, as the rest of a
// sentence: "checksum mismatch" from "Checksum mismatch; skipped".
std::optional<std::string> skippedBecause(const document::DiagnosticList& list, std::size_t from,
                                          const std::string& path) {
    constexpr std::string_view kSkipped = "; skipped";
    for (std::size_t i = from; i < list.size(); ++i) {
        if (list[i].path != path) continue;
        std::string reason = list[i].message;
        if (reason.ends_with(kSkipped)) reason.resize(reason.size() - kSkipped.size());
        if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z')
            reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
        return reason;
    }
    return std::nullopt;
}

void readZipPackage(const std::uint8_t* data, std::size_t size, document::DiagnosticList& list,
                    const ZipLimits& limits, PackageContents contents, Package& package) {
    const std::string documentPath = "/" + package.documentName;
    // Refused from its declared size, before anything is unpacked.
    const std::optional<std::uint64_t> declared = declaredEntrySize(data, size, package.documentName);
    if (declared && *declared > kMaxDocumentBytes) {
        refuseTooLarge(list, documentPath, kMaxDocumentBytes, "bytes");
        return;
    }
    // Every entry is unpacked and checked; assets are hashed on the way.
    // A reader of the document alone keeps no other entry's bytes.
    ZipReadPlan plan;
    plan.wantsDigest = isAssetName;
    if (contents == PackageContents::DocumentOnly) plan.keepOnly = package.documentName;
    const std::size_t zipFindingsFrom = list.size();
    ZipResult zip = readZip(data, size, list, limits, plan);
    if (!zip.ok) return;
    bool foundDocument = false;
    for (ZipEntry& entry : zip.entries) {
        if (entry.name == package.documentName) {
            foundDocument = true;
            if (!parseDocument(entry.data.data(), entry.data.size(), documentPath, list, package)) return;
        } else if (isAssetName(entry.name)) {
            const std::string digest = entry.name.substr(kAssetFolder.size());
            if (entry.sha256 == digest) {
                entry.name = digest;
                if (entry.kept) package.assets.push_back(std::move(entry));
            } else {
                appendWarning(list, "asset-corrupt", "/" + entry.name,
                              "The asset does not match its name; left out, the plugin falls back");
            }
        } else if (entry.kept) {
            package.otherEntries.push_back(std::move(entry));
        }
    }
    if (!foundDocument) {
        // A document entry that is there but damaged is reported as such,
        // not as a missing one.
        if (std::optional<std::string> reason = skippedBecause(list, zipFindingsFrom, documentPath)) {
            appendError(list, "document-damaged", documentPath,
                        "The archive's " + package.documentName + " cannot be read: " + *reason);
        } else {
            appendError(list, "document-missing", documentPath, "The archive has no " + package.documentName);
        }
        return;
    }
    package.ok = true;
}

} // namespace

// "PK" followed by 3, 4 (a local header) or 5, 6 (an empty archive's end record).
bool looksLikeZip(const std::uint8_t* data, std::size_t size) {
    if (size < 4 || data[0] != 'P' || data[1] != 'K') return false;
    return (data[2] == 3 && data[3] == 4) || (data[2] == 5 && data[3] == 6);
}

std::uint64_t packageByteLimit(const std::uint8_t* head, std::size_t size) {
    return looksLikeZip(head, size) ? kMaxPackageBytes : kMaxDocumentBytes;
}

void refuseOversizedPackage(document::DiagnosticList& list, const std::uint8_t* head, std::size_t size) {
    if (looksLikeZip(head, size)) {
        appendError(list, "package-too-large", "",
                    "A package holds at most " + std::to_string(kMaxPackageBytes) + " bytes; not read");
    } else {
        refuseTooLarge(list, "", kMaxDocumentBytes, "bytes");
    }
}

Package readPackage(const std::uint8_t* data, std::size_t size, std::string_view documentName,
                    document::DiagnosticList& list, const ZipLimits& limits, PackageContents contents) {
    Package package;
    package.documentName = std::string(documentName);
    if (looksLikeZip(data, size)) {
        readZipPackage(data, size, list, limits, contents, package);
    } else {
        std::size_t start = startsWithByteOrderMark(data, size) ? std::size(kByteOrderMark) : 0;
        while (start < size && isJsonWhitespace(data[start])) ++start;
        if (start < size && data[start] == '{') {
            package.ok = parseDocument(data, size, "", list, package);
        } else {
            appendError(list, "package-unreadable", "", "Neither a JSON document nor a zip archive");
        }
    }
    if (!package.ok) {
        // A failed package hands back nothing that could be used by mistake.
        package.document = document::JsonValue{};
        package.documentBytes = 0;
        package.assets.clear();
        package.otherEntries.clear();
    }
    return package;
}

} // namespace fennrow::archive
