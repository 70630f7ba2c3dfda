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
    explicit BodyReader(const document::JsonValue& object) : reader(object, "", findings) {}
    document::DiagnosticList findings;
    document::FieldReader reader;
};

} // namespace

std::optional<std::string> stringField(const document::JsonValue& object, std::string_view key) {
    BodyReader body(object);
    return getString(body.reader, key);
}

std::optional<double> numberField(const document::JsonValue& object, std::string_view key) {
    BodyReader body(object);
    const std::optional<double> value = getNumber(body.reader, key);
    if (value && !std::isfinite(*value)) return std::nullopt;
    return value;
}

bool boolField(const document::JsonValue& object, std::string_view key) {
    BodyReader body(object);
    return getBool(body.reader, key).value_or(false);
}

std::optional<PageSound> pageSoundFrom(const document::JsonValue& value, std::string& error) {
    const document::JsonValue* params = findMember(value, "params");
    const document::JsonValue* curves = findMember(value, "curves");
    if (!params || params->type() != document::JsonType::Object || !curves ||
        curves->type() != document::JsonType::Array || curves->items().size() != kPageCurveCount) {
        error = "A sound is sent as params and eight curves";
        return std::nullopt;
    }
    PageSound sound;
    for (const document::JsonMember& member : params->members()) {
        clap_id id = CLAP_INVALID_ID;
        const char* end = member.key.data() + member.key.size();
        const auto [stop, ec] = std::from_chars(member.key.data(), end, id);
        // A value the plugin's 32-bit parameters cannot hold is refused, not
        // taken and echoed back as null.
        if (ec != std::errc() || stop != end || member.value.type() != document::JsonType::Number ||
            !std::isfinite(maths::narrowToFloat(member.value.number()))) {
            error = "Parameter values are sent as numbers under their ids";
            return std::nullopt;
        }
        sound.params.emplace_back(id, member.value.number());
    }
    for (std::size_t c = 0; c < kPageCurveCount; ++c) {
        const document::JsonValue& curve = curves->items()[c];
        if (curve.type() != document::JsonType::Array || curve.items().size() != kPageCurvePoints) {
            error = "A curve is sent as 64 numbers";
            return std::nullopt;
        }
        for (std::size_t i = 0; i < kPageCurvePoints; ++i) {
            const document::JsonValue& point = curve.items()[i];
            const float narrowed = maths::narrowToFloat(point.number());
            if (point.type() != document::JsonType::Number || !std::isfinite(narrowed)) {
                error = "A curve is sent as 64 numbers";
                return std::nullopt;
            }
            sound.curves[c][i] = narrowed;
        }
    }
    return sound;
}

document::JsonValue pageSoundJson(const PageSound& sound) {
    document::JsonValue params = document::jsonObject();
    for (const auto& [id, value] : sound.params)
        setMember(params, std::to_string(id), document::jsonFloat(maths::narrowToFloat(value)));
    document::JsonValue curves = document::jsonArray();
    for (const CurvePoints& points : sound.curves) {
        document::JsonValue curve = document::jsonArray();
        for (const float point : points) curve.appendItem(document::jsonFloat(point));
        curves.appendItem(std::move(curve));
    }
    document::JsonValue out = document::jsonObject();
    setMember(out, "params", std::move(params));
    setMember(out, "curves", std::move(curves));
    return out;
}

document::JsonValue findingsJson(const document::DiagnosticList& findings) {
    document::JsonValue list = document::jsonArray();
    for (const document::Diagnostic& d : findings) {
        document::JsonValue item = document::jsonObject();
        setMember(item, "severity", document::jsonString(std::string(severityName(d.severity))));
        setMember(item, "code", document::jsonString(d.code));
        setMember(item, "path", document::jsonString(d.path));
        setMember(item, "message", document::jsonString(d.message));
        list.appendItem(std::move(item));
    }
    return list;
}

document::JsonValue errorJson(const std::string& message) {
    document::JsonValue out = document::jsonObject();
    // A name the page sent may not be UTF-8 ("\ud800" unpaired): the answer always is.
    setMember(out, "error", document::jsonString(platform::wellFormedUtf8(message)));
    return out;
}

} // namespace fennrow
