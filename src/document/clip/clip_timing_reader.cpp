#include "document/clip/clip_timing_reader.h"

#include "document/clip/clip_elements.h"
#include "document/clip/clip_fields.h"
#include "document/clip/clip_numbers.h"
#include "document/field_reader.h"

namespace fennrow::document {
namespace {

constexpr const char* kBadTempo = "Expected {at, bpm > 0}; kept as written, not used";
constexpr const char* kBadMeter = "Expected {at, num, den}; kept as written, not used";
constexpr const char* kBadSwing =
    "Expected {bar, grid, amount} with a readable grid; kept as written, not used";

TempoPoint readTempoPoint(const JsonValue& element, const std::string& path, DiagnosticList& diagnostics) {
    if (element.type() == JsonType::Object) {
        FieldReader reader(element, path, diagnostics);
        const std::optional<double> at = getNumber(reader, "at");
        const std::optional<double> bpm = getNumber(reader, "bpm");
        // Written as a positive test so that a not-a-number bpm fails it.
        if (at && bpm && *bpm > 0.0) {
            TempoPoint point;
            point.at = *at;
            point.bpm = *bpm;
            point.remainder = reader.rest();
            point.asRead = element;
            return point;
        }
    }
    appendWarning(diagnostics, "bad-tempo", path, kBadTempo);
    return keptAsWrittenElement<TempoPoint>(element);
}

MeterPoint readMeterPoint(const JsonValue& element, const std::string& path, DiagnosticList& diagnostics) {
    if (element.type() == JsonType::Object) {
        FieldReader reader(element, path, diagnostics);
        const std::optional<double> at = getNumber(reader, "at");
        const std::optional<double> num = getNumber(reader, "num");
        const std::optional<double> den = getNumber(reader, "den");
        if (at && num && den && *num >= 1.0 && *den >= 1.0) {
            MeterPoint point;
            point.at = *at;
            point.num = saturatingTruncateToInt32(*num);
            point.den = saturatingTruncateToInt32(*den);
            point.remainder = reader.rest();
            point.asRead = element;
            return point;
        }
    }
    appendWarning(diagnostics, "bad-meter", path, kBadMeter);
    return keptAsWrittenElement<MeterPoint>(element);
}

SwingSetting readSwingSetting(const JsonValue& element, const std::string& path,
                              DiagnosticList& diagnostics) {
    if (element.type() == JsonType::Object) {
        FieldReader reader(element, path, diagnostics);
        const std::optional<double> bar = getNumber(reader, "bar");
        const std::optional<double> amount = getNumber(reader, "amount");
        const std::optional<std::string> grid = getString(reader, "grid");
        const bool gridAcceptable = !grid || parseGrid(*grid).has_value();
        if (bar && amount && gridAcceptable) {
            SwingSetting setting;
            setting.bar = saturatingTruncateToInt32(*bar);
            setting.amount = *amount;
            if (grid) setting.grid = *grid;
            if (std::optional<std::string> voice = getString(reader, "voice"))
                setting.voice = std::move(*voice);
            setting.remainder = reader.rest();
            setting.asRead = element;
            return setting;
        }
    }
    appendWarning(diagnostics, "bad-swing", path, kBadSwing);
    return keptAsWrittenElement<SwingSetting>(element);
}

} // namespace

std::vector<TempoPoint> readTempo(const JsonValue& array, const std::string& path,
                                  DiagnosticList& diagnostics) {
    return readElements<TempoPoint>(array, path, diagnostics, readTempoPoint);
}

std::vector<MeterPoint> readMeter(const JsonValue& array, const std::string& path,
                                  DiagnosticList& diagnostics) {
    return readElements<MeterPoint>(array, path, diagnostics, readMeterPoint);
}

std::vector<SwingSetting> readSwing(const JsonValue& array, const std::string& path,
                                    DiagnosticList& diagnostics) {
    return readElements<SwingSetting>(array, path, diagnostics, readSwingSetting);
}

} // namespace fennrow::document
