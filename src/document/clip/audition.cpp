#include "document/clip/audition.h"

#include <string>
#include <utility>

#include "document/clip/clip_reader.h"

namespace fennrow::document {

std::optional<Clip> readAudition(const JsonValue& instance, DiagnosticList& list) {
    const JsonValue* value = findMember(instance, kAuditionKey);
    if (value == nullptr) return std::nullopt;

    DiagnosticList clipList;
    std::optional<Clip> clip = readClip(*value, clipList);
    const std::string base = "/" + std::string(kAuditionKey);
    for (Diagnostic& finding : clipList) {
        finding.path = base + finding.path;
        list.push_back(std::move(finding));
    }
    if (!clip) {
        appendWarning(list, "bad-audition", base, "The audition is not a clip; kept as written, not offered");
    }
    return clip;
}

void declareAudition(std::vector<ExtensionId>& extensions) {
    for (const ExtensionId& id : extensions) {
        if (id.id == kAuditionExtension) return;
    }
    extensions.push_back(ExtensionId{std::string(kAuditionExtension), kAuditionExtensionVersion});
}

} // namespace fennrow::document
