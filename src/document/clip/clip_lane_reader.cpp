#include "document/clip/clip_lane_reader.h"

#include <array>
#include <string_view>

#include "document/clip/clip_elements.h"
#include "document/clip/clip_fields.h"
#include "document/field_reader.h"

namespace fennrow::document {
namespace {

constexpr const char* kBadLane = "A lane is an object with a `target`; kept as written, not played";
constexpr const char* kBadLanePoint = "Expected {at, v}; kept as written, not used";
constexpr const char* kUnknownCurve = "Unknown curve, played as step; kept";

constexpr std::array<std::string_view, 3> kCurveKinds = {"step", "linear", "smooth"};

bool isKnownCurve(std::string_view curve) {
    for (std::string_view kind : kCurveKinds) {
        if (curve == kind) return true;
    }
    return false;
}

} // namespace

LanePoint readLanePoint(const JsonValue& element, const std::string& path, DiagnosticList& diagnostics) {
    if (element.type() == JsonType::Object) {
        FieldReader reader(element, path, diagnostics);
        const std::optional<double> at = getNumber(reader, "at");
        const JsonValue* v = at ? findMember(element, "v") : nullptr;
        if (v != nullptr) {
            reader.markRead("v");
            LanePoint point;
            point.at = *at;
            point.v = *v;
            if (std::optional<std::string> curve = getString(reader, "curve"))
                point.curve = std::move(*curve);
            if (!point.curve.empty() && !isKnownCurve(point.curve)) {
                appendWarning(diagnostics, "unknown-curve", childPath(path, "curve"), kUnknownCurve);
            }
            point.remainder = reader.rest();
            point.asRead = element;
            return point;
        }
    }
    appendWarning(diagnostics, "bad-lane-point", path, kBadLanePoint);
    return keptAsWrittenElement<LanePoint>(element);
}

Lane readLane(const JsonValue& element, const std::string& path, DiagnosticList& diagnostics) {
    if (element.type() == JsonType::Object) {
        FieldReader reader(element, path, diagnostics);
        std::optional<std::string> target = getString(reader, "target");
        if (target && !target->empty()) {
            Lane lane;
            lane.target = std::move(*target);
            if (std::optional<std::string> id = getString(reader, "id")) lane.id = std::move(*id);
            if (std::optional<std::string> voice = getString(reader, "voice")) lane.voice = std::move(*voice);
            if (std::optional<std::string> instance = getString(reader, "instance")) {
                lane.instance = std::move(*instance);
            }
            if (const JsonValue* points = getArray(reader, "points")) {
                lane.points =
                    readElements<LanePoint>(*points, childPath(path, "points"), diagnostics, readLanePoint);
            }
            lane.remainder = reader.rest();
            lane.asRead = element;
            return lane;
        }
    }
    appendWarning(diagnostics, "bad-lane", path, kBadLane);
    return keptAsWrittenElement<Lane>(element);
}

std::vector<Lane> readLanes(const JsonValue& array, const std::string& path, DiagnosticList& diagnostics) {
    return readElements<Lane>(array, path, diagnostics, readLane);
}

} // namespace fennrow::document
