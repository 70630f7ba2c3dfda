// Reader of a clip's "lanes" array and of the points of each lane. An
// unreadable lane or point is kept as written in its place and reported; a bad
// point leaves its lane readable.
#pragma once

#include <string>
#include <vector>

#include "document/clip/clip.h"
#include "document/diagnostics.h"
#include "document/json_value.h"

namespace fennrow::document {

std::vector<Lane> readLanes(const JsonValue& array, const std::string& path, DiagnosticList& diagnostics);
Lane readLane(const JsonValue& element, const std::string& path, DiagnosticList& diagnostics);
LanePoint readLanePoint(const JsonValue& element, const std::string& path, DiagnosticList& diagnostics);

} // namespace fennrow::document
