#include "archive/package_reader.h"

#include <algorithm>
#include <optional>
#include <string>

#include "archive/sha256.h"
#include "document/json_parser.h"

namespace fennrow {
namespace {

constexpr std::string_view kAssetFolder = "assets/";
constexpr std::size_t kDigestLength = 64;
constexpr std::uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

bool startsWithByteOrderMark(const std::uint8_t* data, std::size_t size) {
    return size > 2 && std::equal(std::begin(kByteOrderMark), std::end(kByteOrderMark), data);
}

bool isJsonWhitespace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void refuseTooLarge(DiagnosticList& list, const std::string& path, std::size_t most, const char* what) {
    appendError(list, "document-too-large", path,
                "A document holds at most " + std::to_string(most) + " " + what + "; not read");
}

bool parseDocument(const std::uint8_t* data, std::size_t size, const std::string& path, DiagnosticList& list,
                   Package& package) {
    if (size > kMaxDocumentBytes) {
        refuseTooLarge(list, path, kMaxDocumentBytes, "bytes");
        return false;
    }
    if (startsWithByteOrderMark(data, size)) {
        data += std::size(kByteOrderMark);
        size -= std::size(kByteOrderMark);
    }
    JsonParseResult parsed = parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
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

void readZipPackage(const std::uint8_t* data, std::size_t size, DiagnosticList& list, const ZipLimits& limits,
                    PackageContents contents, Package& package) {
    // Refused from its declared size, before anything is unpacked.
    const std::optional<std::uint64_t> declared = declaredEntrySize(data, size, package.documentName);
    if (declared && *declared > kMaxDocumentBytes) {
        refuseTooLarge(list, "/" + package.documentName, kMaxDocumentBytes, "bytes");
        return;
    }
    std::optional<std::string_view> unpackOnly;
    if (contents == PackageContents::DocumentOnly) unpackOnly = package.documentName;
    ZipResult zip = readZip(data, size, list, limits, unpackOnly);
    if (!zip.ok) return;
    bool foundDocument = false;
    for (ZipEntry& entry : zip.entries) {
        if (entry.name == package.documentName) {
            foundDocument = true;
            if (!parseDocument(entry.data.data(), entry.data.size(), "/" + entry.name, list, package)) return;
        } else if (isAssetName(entry.name)) {
            const std::string digest = entry.name.substr(kAssetFolder.size());
            if (sha256Hex(entry.data.data(), entry.data.size()) == digest) {
                entry.name = digest;
                package.assets.push_back(std::move(entry));
            } else {
                appendWarning(list, "asset-corrupt", "/" + entry.name,
                              "The asset does not match its name; left out, the plugin falls back");
            }
        } else {
            package.otherEntries.push_back(std::move(entry));
        }
    }
    if (!foundDocument) {
        appendError(list, "document-missing", "/" + package.documentName,
                    "The archive has no " + package.documentName);
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

Package readPackage(const std::uint8_t* data, std::size_t size, std::string_view documentName,
                    DiagnosticList& list, const ZipLimits& limits, PackageContents contents) {
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
        package.document = JsonValue{};
        package.documentBytes = 0;
        package.assets.clear();
        package.otherEntries.clear();
    }
    return package;
}

} // namespace fennrow
