// Readers of a clip's "tempo", "meter" and "swing" arrays. They never fail:
// an unreadable element is kept as written in its place and reported.
#pragma once

#include <string>
#include <vector>

#include "document/clip/clip.h"
#include "document/diagnostics.h"
#include "document/json_value.h"

namespace fennrow::document {

std::vector<TempoPoint> readTempo(const JsonValue& array, const std::string& path,
                                  DiagnosticList& diagnostics);
std::vector<MeterPoint> readMeter(const JsonValue& array, const std::string& path,
                                  DiagnosticList& diagnostics);
std::vector<SwingSetting> readSwing(const JsonValue& array, const std::string& path,
                                    DiagnosticList& diagnostics);

} // namespace fennrow::document
