// The audition: a whole clip document carried by an instance document under
// "audition". The plugin keeps it and writes it back, and never plays it.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "document/clip/clip.h"
#include "document/diagnostics.h"
#include "document/envelope.h"
#include "document/json_value.h"

namespace fennrow::document {

inline constexpr std::string_view kAuditionKey = "audition";
inline constexpr std::string_view kAuditionExtension = "com.brightmoss.audition";
inline constexpr int32_t kAuditionExtensionVersion = 1;

// Reads the "audition" member of an instance object, if there is one. The
// clip's own findings are appended under "/audition". When the member is not a
// clip, a "bad-audition" warning follows and nothing is given: the caller then
// leaves the member unread so that it is written back as it was.
std::optional<Clip> readAudition(const JsonValue& instance, DiagnosticList& list);

// Appends the audition id, version 1, unless an id with that text is there
// already (whatever its version).
void declareAudition(std::vector<ExtensionId>& extensions);

} // namespace fennrow::document
