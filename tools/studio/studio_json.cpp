#include "studio_json.h"

#include <charconv>
#include <cmath>

#include "document/field_reader.h"
#include "maths/float_narrowing.h"
#include "platform/utf8.h"

namespace fennrow {

namespace {

// The document's own field reader over a request body. Its findings are not
// shown: a member of the wrong type counts as missing, and the request is
// refused with a message that says what the studio needs.
struct BodyReader {
    explicit BodyReader(const JsonValue& object) : reader(object, "", findings) {}
    DiagnosticList findings;
    FieldReader reader;
};

} // namespace

std::optional<std::string> stringField(const JsonValue& object, std::string_view key) {
    BodyReader body(object);
    return getString(body.reader, key);
}

std::optional<double> numberField(const JsonValue& object, std::string_view key) {
    BodyReader body(object);
    const std::optional<double> value = getNumber(body.reader, key);
    if (value && !std::isfinite(*value)) return std::nullopt;
    return value;
}

bool boolField(const JsonValue& object, std::string_view key) {
    BodyReader body(object);
    return getBool(body.reader, key).value_or(false);
}

std::optional<PageSound> pageSoundFrom(const JsonValue& value, std::string& error) {
    const JsonValue* params = findMember(value, "params");
    const JsonValue* curves = findMember(value, "curves");
    if (!params || params->type() != JsonType::Object || !curves || curves->type() != JsonType::Array ||
        curves->items().size() != kPageCurveCount) {
        error = "A sound is sent as params and eight curves";
        return std::nullopt;
    }
    PageSound sound;
    for (const JsonMember& member : params->members()) {
        clap_id id = CLAP_INVALID_ID;
        const char* end = member.key.data() + member.key.size();
        const auto [stop, ec] = std::from_chars(member.key.data(), end, id);
        // A value the plugin's 32-bit parameters cannot hold is refused, not
        // taken and echoed back as null.
        if (ec != std::errc() || stop != end || member.value.type() != JsonType::Number ||
            !std::isfinite(maths::narrowToFloat(member.value.number()))) {
            error = "Parameter values are sent as numbers under their ids";
            return std::nullopt;
        }
        sound.params.emplace_back(id, member.value.number());
    }
    for (std::size_t c = 0; c < kPageCurveCount; ++c) {
        const JsonValue& curve = curves->items()[c];
        if (curve.type() != JsonType::Array || curve.items().size() != kPageCurvePoints) {
            error = "A curve is sent as 64 numbers";
            return std::nullopt;
        }
        for (std::size_t i = 0; i < kPageCurvePoints; ++i) {
            const JsonValue& point = curve.items()[i];
            const float narrowed = maths::narrowToFloat(point.number());
            if (point.type() != JsonType::Number || !std::isfinite(narrowed)) {
                error = "A curve is sent as 64 numbers";
                return std::nullopt;
            }
            sound.curves[c][i] = narrowed;
        }
    }
    return sound;
}

JsonValue pageSoundJson(const PageSound& sound) {
    JsonValue params = jsonObject();
    for (const auto& [id, value] : sound.params)
        setMember(params, std::to_string(id), jsonFloat(maths::narrowToFloat(value)));
    JsonValue curves = jsonArray();
    for (const CurvePoints& points : sound.curves) {
        JsonValue curve = jsonArray();
        for (const float point : points) curve.appendItem(jsonFloat(point));
        curves.appendItem(std::move(curve));
    }
    JsonValue out = jsonObject();
    setMember(out, "params", std::move(params));
    setMember(out, "curves", std::move(curves));
    return out;
}

JsonValue findingsJson(const DiagnosticList& findings) {
    JsonValue list = jsonArray();
    for (const Diagnostic& d : findings) {
        JsonValue item = jsonObject();
        setMember(item, "severity", jsonString(std::string(severityName(d.severity))));
        setMember(item, "code", jsonString(d.code));
        setMember(item, "path", jsonString(d.path));
        setMember(item, "message", jsonString(d.message));
        list.appendItem(std::move(item));
    }
    return list;
}

JsonValue errorJson(const std::string& message) {
    JsonValue out = jsonObject();
    // A name the page sent may not be UTF-8 ("\ud800" unpaired): the answer always is.
    setMember(out, "error", jsonString(wellFormedUtf8(message)));
    return out;
}

} // namespace fennrow
